#include "core/pagedarray.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace kestrune {

namespace {

// From here on a block is mapped on its own: one huge page.
constexpr std::size_t mappedBytes = std::size_t(2) * 1024 * 1024;

void *map(std::size_t bytes)
{
    void *block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    // Only advice: without huge pages the block still works, page by page.
    madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

} // namespace

void *resizePagedBlock(void *block, std::size_t oldBytes, std::size_t newBytes)
{
    const bool wasMapped = oldBytes >= mappedBytes;
    const bool mapped = newBytes >= mappedBytes;
    if (newBytes == 0) {
        if (wasMapped)
            munmap(block, oldBytes);
        else
            std::free(block);
        return nullptr;
    }
    if (wasMapped && mapped) {
        void *moved = mremap(block, oldBytes, newBytes, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED)
            throw std::bad_alloc();
        return moved;
    }
    if (!wasMapped && !mapped) {
        void *moved = std::realloc(block, newBytes);
        if (!moved)
            throw std::bad_alloc();
        return moved;
    }
    void *moved = mapped ? map(newBytes) : std::malloc(newBytes);
    if (!moved)
        throw std::bad_alloc();
    if (block)
        std::memcpy(moved, block, std::min(oldBytes, newBytes));
    resizePagedBlock(block, oldBytes, 0);
    return moved;
}

} // namespace kestrune
