// Storage for class and characteristic names: up to 10 blocks of 10000 bytes each.
// A name is copied with its terminating NUL; what does not fit at the end of a block
// stays empty and the name goes into a fresh block.
#pragma once

#include <memory>
#include <string_view>

class StringPool {
  public:
    static constexpr int BLOCK_COUNT = 10;
    static constexpr int BLOCK_SIZE = 10000;

    // Allocates the first block. False when it cannot be had.
    bool create();
    // A stable NUL-terminated copy of `name`, or nullptr when the pool is full, the name
    // does not fit one block, or memory runs out.
    const char* store(std::string_view name);

    int blocksUsed() const { return blocksUsed_; }

  private:
    bool addBlock();

    std::unique_ptr<char[]> blocks_[BLOCK_COUNT];
    int blocksUsed_ = 0;
    int bytesLeft_ = 0;
    char* next_ = nullptr;
};
