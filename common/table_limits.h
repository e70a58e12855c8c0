// The limits that the table model and every reader of its project files share.
#pragma once

#include <cstdint>

// The most classes (dimensions) a table has.
inline constexpr int32_t MAX_CLASSES = 15;
