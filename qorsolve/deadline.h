// The time a solve may take, counted from the start of the run.
#pragma once

#include <chrono>
#include <limits>

class Deadline {
  public:
    // A limit of infinity (the default) never passes.
    explicit Deadline(double limitSeconds = std::numeric_limits<double>::infinity())
        : start_(std::chrono::steady_clock::now()), limit_(limitSeconds) {}

    double elapsed() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    double remaining() const { return limit_ - elapsed(); }
    bool passed() const { return elapsed() >= limit_; }
    bool limited() const { return limit_ != std::numeric_limits<double>::infinity(); }

  private:
    std::chrono::steady_clock::time_point start_;
    double limit_;
};
