#include "qorlex/model/string_pool.h"

#include <cstring>
#include <new>

bool StringPool::addBlock() {
    if (blocksUsed_ == BLOCK_COUNT) return false;
    char* block = new (std::nothrow) char[BLOCK_SIZE];
    if (block == nullptr) return false;
    blocks_[blocksUsed_++].reset(block);
    next_ = block;
    bytesLeft_ = BLOCK_SIZE;
    return true;
}

bool StringPool::create() {
    for (auto& block : blocks_) block.reset();
    blocksUsed_ = 0;
    bytesLeft_ = 0;
    next_ = nullptr;
    return addBlock();
}

const char* StringPool::store(std::string_view name) {
    const std::size_t needed = name.size() + 1;
    if (needed > static_cast<std::size_t>(bytesLeft_)) {
        if (needed > static_cast<std::size_t>(BLOCK_SIZE) || !addBlock()) return nullptr;
    }
    char* copy = next_;
    std::memcpy(copy, name.data(), name.size());
    copy[name.size()] = '\0';
    next_ += needed;
    bytesLeft_ -= static_cast<int>(needed);
    return copy;
}
