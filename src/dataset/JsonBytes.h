#pragma once
// Eight bytes of a JSON string looked at in one go (internal to the dataset library): a long
// list is mostly plain text, which its reader and its writer pass over eight bytes at a time.

#include <QtGlobal>

#include <cstring>

namespace dataset {

// The eight bytes at p, in memory order.
inline quint64 eightBytes(const void* p) {
    quint64 bytes;
    std::memcpy(&bytes, p, 8);
    return bytes;
}

// Whether all eight bytes stand in a JSON string as they are: none a control character, a
// quote, a backslash or a byte beyond ASCII.
inline bool plainEight(quint64 bytes) {
    constexpr quint64 ones = 0x0101010101010101ULL;
    constexpr quint64 highs = 0x8080808080808080ULL;
    const auto hasZero = [](quint64 v) { return ((v - ones) & ~v & highs) != 0; };
    return (bytes & highs) == 0 && ((bytes - ones * 0x20) & ~bytes & highs) == 0 &&
           !hasZero(bytes ^ (ones * '"')) && !hasZero(bytes ^ (ones * '\\'));
}

} // namespace dataset
