// Zero-filled heap blocks for whole files and archive items. calloc, not a
// vector: a block is only touched where data lands, so an item that claims
// gigabytes costs address space, not memory, until it is really filled.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

struct HeapFree {
    void operator()(void* block) const { std::free(block); }
};
using HeapBuffer = std::unique_ptr<char[], HeapFree>;

// nullptr when the memory cannot be had (also for size 0).
inline HeapBuffer HeapAllocZeroed(size_t size) {
    return HeapBuffer(size ? static_cast<char*>(std::calloc(size, 1)) : nullptr);
}
