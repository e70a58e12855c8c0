#include "common/allocation.h"

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Requests below this size are left to the allocator alone.
constexpr std::size_t CHECKED_SIZE = std::size_t{16} << 20;

std::size_t toSize(unsigned long long value) {
    return value > SIZE_MAX ? SIZE_MAX : static_cast<std::size_t>(value);
}

// The number that `format` finds on a line of the file, the first such line; false when the
// file cannot be read or has none (a limit file that says "max" has none).
bool readNumber(const std::string& path, const char* format, unsigned long long& value) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return false;
    char line[256];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, file) != nullptr) {
        found = std::sscanf(line, format, &value) == 1;
    }
    std::fclose(file);
    return found;
}

// MemAvailable of /proc/meminfo in bytes; SIZE_MAX when it cannot be read.
std::size_t availableMemory() {
    unsigned long long kilobytes = 0;
    if (!readNumber("/proc/meminfo", "MemAvailable: %llu kB", kilobytes)) return SIZE_MAX;
    return kilobytes > SIZE_MAX / 1024 ? SIZE_MAX : toSize(kilobytes) * 1024;
}

// How the memory controller of one cgroup version names its files.
struct CgroupFiles {
    const char* root;         // where the hierarchy is mounted
    const char* limit;        // the limit, absent or "max" without one
    const char* usage;        // the memory in use, page cache included
    const char* reclaimable;  // memory.stat line of page cache the kernel gives back first
};

constexpr CgroupFiles CGROUP_V2 = {"/sys/fs/cgroup", "memory.max", "memory.current",
                                   "inactive_file %llu"};
constexpr CgroupFiles CGROUP_V2_HYBRID = {"/sys/fs/cgroup/unified", "memory.max", "memory.current",
                                          "inactive_file %llu"};
constexpr CgroupFiles CGROUP_V1 = {"/sys/fs/cgroup/memory", "memory.limit_in_bytes",
                                   "memory.usage_in_bytes", "total_inactive_file %llu"};

// The room under the limits of the group at `path` and of every group above it.
std::size_t roomInGroups(const CgroupFiles& files, std::string path) {
    std::size_t room = SIZE_MAX;
    for (;;) {
        const std::string dir = files.root + path + (path.ends_with('/') ? "" : "/");
        unsigned long long limit = 0;
        unsigned long long usage = 0;
        if (readNumber(dir + files.limit, "%llu", limit) &&
            readNumber(dir + files.usage, "%llu", usage)) {
            unsigned long long cache = 0;
            readNumber(dir + "memory.stat", files.reclaimable, cache);
            const unsigned long long used = usage > cache ? usage - cache : 0;
            const std::size_t left = limit > used ? toSize(limit - used) : 0;
            if (left < room) room = left;
        }
        const std::size_t slash = path.find_last_of('/');
        if (path.empty() || path == "/" || slash == std::string::npos) break;
        path.erase(slash == 0 ? 1 : slash);
    }
    return room;
}

// The room left under the memory limits of the control groups the process is in (limit
// minus usage, the page cache that is reclaimed first not counted as usage); SIZE_MAX
// without a limit.
std::size_t cgroupRoom() {
    std::FILE* file = std::fopen("/proc/self/cgroup", "r");
    if (file == nullptr) return SIZE_MAX;
    std::size_t room = SIZE_MAX;
    char line[4096];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        // "hierarchy:controllers:path"; version 2 has hierarchy 0 and no controllers.
        std::string entry(line, std::strcspn(line, "\n"));
        const std::size_t first = entry.find(':');
        const std::size_t second = first == std::string::npos ? first : entry.find(':', first + 1);
        if (second == std::string::npos) continue;
        std::string controllers = ",";
        controllers.append(entry, first + 1, second - first - 1).push_back(',');
        const std::string path = entry.substr(second + 1);
        std::size_t left = SIZE_MAX;
        if (entry.starts_with("0::")) {
            left = std::min(roomInGroups(CGROUP_V2, path), roomInGroups(CGROUP_V2_HYBRID, path));
        } else if (controllers.find(",memory,") != std::string::npos) {
            left = roomInGroups(CGROUP_V1, path);
        }
        if (left < room) room = left;
    }
    std::fclose(file);
    return room;
}

// The address space left under RLIMIT_AS; SIZE_MAX without a limit.
std::size_t addressSpaceRoom() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    unsigned long long pages = 0;
    if (!readNumber("/proc/self/statm", "%llu", pages)) return SIZE_MAX;
    const long pageSize = sysconf(_SC_PAGESIZE);
    const unsigned long long used =
        pages * static_cast<unsigned long long>(pageSize > 0 ? pageSize : 4096);
    return limit.rlim_cur > used ? toSize(limit.rlim_cur - used) : 0;
}

}  // namespace

bool memoryAvailableFor(std::size_t bytes) {
    return bytes < CHECKED_SIZE ||
           (bytes <= availableMemory() && bytes <= cgroupRoom() && bytes <= addressSpaceRoom());
}

void adviseLargePages(const void* data, std::size_t bytes) {
    constexpr std::uintptr_t LARGE_PAGE = std::uintptr_t{2} << 20;
    if (data == nullptr || bytes < 2 * LARGE_PAGE) return;
    // Only the whole large pages inside the array.
    const auto start =
        (reinterpret_cast<std::uintptr_t>(data) + LARGE_PAGE - 1) & ~(LARGE_PAGE - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(LARGE_PAGE - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}
