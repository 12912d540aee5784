// Included first in every C++ file of the browser build: Emscripten 3.1.6
// ships libc++ 13, which has no std::bit_cast yet. The compiler's builtin is
// what later versions of the library use for it.
#pragma once
#ifdef __cplusplus
#include <bit>
#ifndef __cpp_lib_bit_cast
namespace std
{
template <class To, class From> constexpr To bit_cast(const From& from) noexcept
{
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif
#endif
