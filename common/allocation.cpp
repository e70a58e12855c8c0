#include "common/allocation.h"

#include <cstdio>
#include <cstring>

namespace {

// Requests below this size are left to the allocator alone.
constexpr std::size_t CHECKED_SIZE = std::size_t{256} << 20;

// MemAvailable of /proc/meminfo in bytes; SIZE_MAX when it cannot be read.
std::size_t availableMemory() {
    std::FILE* file = std::fopen("/proc/meminfo", "r");
    if (file == nullptr) return SIZE_MAX;
    char line[256];
    std::size_t available = SIZE_MAX;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        unsigned long long kilobytes = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1) {
            available =
                kilobytes > SIZE_MAX / 1024 ? SIZE_MAX : static_cast<std::size_t>(kilobytes) * 1024;
            break;
        }
    }
    std::fclose(file);
    return available;
}

}  // namespace

bool memoryAvailableFor(std::size_t bytes) {
    return bytes < CHECKED_SIZE || bytes <= availableMemory();
}
