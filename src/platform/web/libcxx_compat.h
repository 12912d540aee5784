// Included first in every C++ file of the browser build: Emscripten 3.1.6
// ships libc++ 13, which has no std::bit_cast and no make_unique_for_overwrite
// yet. The compiler's builtin is what later versions of the library use for
// the first; the second is a default-initialised new.
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
#include <memory>
#ifndef __cpp_lib_smart_ptr_for_overwrite
namespace std
{
template <class T>
requires is_unbounded_array_v<T> unique_ptr<T> make_unique_for_overwrite(size_t n)
{
    return unique_ptr<T>(new remove_extent_t<T>[n]);
}
} // namespace std
#endif
#endif
