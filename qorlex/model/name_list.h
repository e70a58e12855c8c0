// The characteristics of one class: its size, whether they were named, and the names.
//
// Lookups behave as on a list that holds the newest name first: a name maps to the index
// it was declared with, and an index to the name declared for it last.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "qorlex/model/error_code.h"

class NameList {
  public:
    int32_t size = 0;   // number of characteristics (0 until the class is declared)
    int32_t named = 0;  // 1 when the characteristics were declared by names

    // Adds `name` (a stable string) with its 0-based `index`. NAME_IN_USE when the class
    // already has this name, NOT_ENOUGH_MEMORY when it cannot be stored.
    ErrorCode add(const char* name, int32_t index);

    // The index declared with `name`, or -1.
    int32_t find(std::string_view name) const;
    // The name declared last for `index`, or nullptr.
    const char* nameOf(int32_t index) const;

  private:
    std::unordered_map<std::string_view, int32_t> indexOfName_;
    std::vector<const char*> nameOfIndex_;
};
