// calloc of the browser build clears only what was handed out before: every block must still read as zeros, whether
// it reuses freed memory, reaches past the heap's old end or lies wholly beyond it. Runs under node.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int Failures = 0;

static void Expect(bool ok, const char* what, size_t size)
{
    std::printf("%s %s: %zu\n", ok ? "ok  " : "FAIL", what, size);
    Failures += ok ? 0 : 1;
}

static bool Zeros(const char* b, size_t size) { return b && *b == 0 && std::memcmp(b, b + 1, size - 1) == 0; }

int main()
{
    const size_t sizes[] = {24, 4096, size_t{1} << 20, size_t{48} << 20};
    for (size_t size : sizes) {
        void* dirty = std::malloc(size);
        std::memset(dirty, 0xA5, size);
        std::free(dirty);
        // Starts in the freed block at the top of the heap and reaches past its end.
        char* longer = static_cast<char*>(std::calloc(size, 3));
        Expect(Zeros(longer, size * 3), "a block past the heap's old end is zeros", size * 3);
        std::memset(longer, 0xA5, size * 3);
        std::free(longer);
        char* reused = static_cast<char*>(std::calloc(size, 1));
        Expect(Zeros(reused, size), "a block in freed memory is zeros", size);
        std::free(reused);
    }
    // Volatile, or the compiler takes the allocation for granted.
    void* volatile huge = std::calloc(SIZE_MAX / 4 + 2, 4);
    Expect(huge == nullptr, "a count times a size that overflows gets nothing", SIZE_MAX / 4 + 2);
    return Failures == 0 ? 0 : 1;
}
