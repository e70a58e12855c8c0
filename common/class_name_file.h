// The class name file `<project>-cls.dat`: the names of the table's classes as the description
// declared them. The label file, which programs outside this system read too, keeps its
// layout; the names go to this fourth, optional file. qorlex writes it after the other three
// (and removes an earlier one first, so that an interrupted run never leaves names beside the
// label file of another); qordump and qorsolve read it when it is there and otherwise call the
// classes class1, class2, ...
//
// Layout: classCount, then per class the byte count of its name and the name's bytes.
// int32 little-endian, no padding, nothing after the last name.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/input_file.h"
#include "common/read_result.h"

// False (and the file removed) when it cannot be created or written whole.
bool writeClassNameFile(const std::string& path, std::span<const std::string_view> names);

// At most MAX_CLASSES names of at most MAX_CLASS_NAME_BYTES bytes each, without a zero byte.
// INVALID also for bytes after the last name.
ReadResult readClassNameFile(InputFile& file, std::vector<std::string>& names);

// Longer than any name a description can hold.
inline constexpr int32_t MAX_CLASS_NAME_BYTES = 1 << 20;
