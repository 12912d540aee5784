// calloc for the browser build. The heap's break never moves down, and the
// memory above it has never been handed out: it is still the zeros the
// WebAssembly memory started or grew with. Only the part of a block below the
// break as it was before the allocation needs clearing, so the large zero-filled
// tables cost nothing until the game touches them, as with a desktop system's
// fresh pages, instead of a slow first write to every page at start-up.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" void* calloc(size_t count, size_t size)
{
    size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes))
        return nullptr;
    uintptr_t untouched = reinterpret_cast<uintptr_t>(sbrk(0));
    void* block = std::malloc(bytes);
    if (!block)
        return nullptr;
    uintptr_t start = reinterpret_cast<uintptr_t>(block);
    if (start < untouched)
        std::memset(block, 0, static_cast<size_t>(untouched - start < bytes ? untouched - start : bytes));
    return block;
}
