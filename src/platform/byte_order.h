// Little-endian values in byte arrays, the order of every file the game and
// its tools read and write. Free of platform headers: everyone may use it.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace byte_order_detail
{
template <class T> using Bits = std::make_unsigned_t<std::conditional_t<std::is_same_v<T, float>, uint32_t, T>>;
}

// Integers and floats, sizeof(T) bytes at p.
template <class T> void PutLittle(uint8_t* p, T value)
{
    auto bits = std::bit_cast<byte_order_detail::Bits<T>>(value);
    if constexpr (std::endian::native == std::endian::little)
        std::memcpy(p, &bits, sizeof bits);
    else
        for (size_t i = 0; i < sizeof bits; ++i)
            p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

template <class T> T GetLittle(const uint8_t* p)
{
    using B = byte_order_detail::Bits<T>;
    B bits = 0;
    if constexpr (std::endian::native == std::endian::little)
        std::memcpy(&bits, p, sizeof bits);
    else
        for (size_t i = 0; i < sizeof bits; ++i)
            bits = static_cast<B>(bits | static_cast<B>(p[i]) << (8 * i));
    return std::bit_cast<T>(bits);
}

// The low `bytes` bytes (1 to 4) of a value, appended or read.
inline void AppendLittle(std::vector<uint8_t>* out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline uint32_t ReadLittle(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}
