// A lowered address-space limit, for the tests of what happens when memory runs out.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
inline constexpr bool ADDRESS_SANITIZER = __has_feature(address_sanitizer);
#else
inline constexpr bool ADDRESS_SANITIZER = false;
#endif

// While it lives, the process may use `room` bytes of address space more than it uses now.
// Not active (a test then skips) under the address sanitizer, which reserves most of the
// address space, or where the hard limit is lower or the limit cannot be read or set.
class AddressSpaceLimit {
  public:
    explicit AddressSpaceLimit(std::size_t room) {
        if (ADDRESS_SANITIZER || getrlimit(RLIMIT_AS, &saved_) != 0) return;
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        if (statm == nullptr) return;
        unsigned long long pages = 0;
        const bool read = std::fscanf(statm, "%llu", &pages) == 1;
        std::fclose(statm);
        if (!read) return;
        rlimit lowered = saved_;
        lowered.rlim_cur = pages * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) + room;
        if (saved_.rlim_max != RLIM_INFINITY && saved_.rlim_max < lowered.rlim_cur) return;
        active_ = setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit() {
        if (active_) setrlimit(RLIMIT_AS, &saved_);
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

    bool active() const { return active_; }

  private:
    rlimit saved_{};
    bool active_ = false;
};
