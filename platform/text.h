// Fixed-size text buffers: paths, script lines and the texts of the install state all live in
// zero-terminated single-byte buffers, and every copy into one is cut to fit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tovik {

// Every path buffer holds at most 259 characters and the terminating zero.
inline constexpr std::size_t kPathSize = 260;
using PathText = char[kPathSize];

// Copies `source` into `destination` (`size` bytes), cut to size - 1 characters and always
// terminated. Returns false when the text had to be cut.
bool copyText(char* destination, std::size_t size, const char* source);

template <std::size_t N>
bool copyText(char (&destination)[N], const char* source) {
    return copyText(destination, N, source);
}

// Appends `source` to the text in `destination` (`size` bytes), cut like copyText.
bool appendText(char* destination, std::size_t size, const char* source);

template <std::size_t N>
bool appendText(char (&destination)[N], const char* source) {
    return appendText(destination, N, source);
}

// Equality that ignores the case of the letters A to Z only; every other byte must match.
bool equalsIgnoringCase(const char* left, const char* right);

// Little-endian fixed-width integers, as every file format of the system stores them.
inline std::uint32_t readLittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline void writeLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
    bytes[2] = static_cast<std::uint8_t>(value >> 16);
    bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace tovik
