// The time a solve may take, counted from the start of the run. A value: copies keep their
// start, so every stage that holds one stops at the same moment. The default never passes.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>

class Deadline {
  public:
    // One that never passes.
    Deadline() : Deadline(std::numeric_limits<double>::infinity()) {}
    // A limit of infinity never passes.
    explicit Deadline(double limitSeconds)
        : start_(std::chrono::steady_clock::now()), limit_(limitSeconds) {}

    double elapsed() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    double remaining() const { return limit_ - elapsed(); }
    // A deadline without a limit does not look at the clock.
    bool passed() const { return limited() && elapsed() >= limit_; }
    bool limited() const { return limit_ != std::numeric_limits<double>::infinity(); }

  private:
    std::chrono::steady_clock::time_point start_;
    double limit_;
};

// How much work a loop does between two looks at the clock, in the units it counts: entries of
// rows scanned or moves weighed. 2^16 entries take well under a millisecond, a look about 50 ns.
inline constexpr int64_t DEADLINE_LOOK_WORK = int64_t(1) << 16;

// Looks at a deadline once per `every` units of work, for loops whose steps are too short to
// look at the clock in each and too uneven to look every so many steps (a step that scans a
// row of two cells, the next one of 10^5). The first call looks.
class DeadlineLooks {
  public:
    explicit DeadlineLooks(const Deadline& deadline, int64_t every = DEADLINE_LOOK_WORK)
        : deadline_(deadline), every_(every) {}

    // Counts `work` units more; true when this call looks and finds the deadline passed.
    // Callers stop at the first true.
    bool passed(int64_t work) {
        done_ += work;
        if (done_ < nextLook_) return false;
        nextLook_ = done_ + every_;
        return deadline_.passed();
    }

  private:
    const Deadline& deadline_;
    int64_t every_;
    int64_t done_ = 0;
    int64_t nextLook_ = 0;
};
