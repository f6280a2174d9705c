// Deterministic encoder inputs of the kinds that stress different parts of a match finder.
// Every generator uses the raw output of std::mt19937, which the standard fixes exactly, so the
// bytes are the same on every platform.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tovik::testing {

using SampleBytes = std::vector<std::uint8_t>;

// Uniform bytes drawn from the first `alphabet` values above `base`: 256 gives incompressible
// data, 2 to 4 give many long and tied matches.
inline SampleBytes randomBytes(std::size_t size, std::uint32_t seed, std::uint32_t alphabet = 256,
                               std::uint8_t base = 0) {
    std::mt19937 generator(seed);
    SampleBytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(base + generator() % alphabet);
    }
    return bytes;
}

// Words, punctuation and line breaks, roughly like prose and source code.
inline SampleBytes textLike(std::size_t size, std::uint32_t seed) {
    static const char* const kWords[] = {
        "the",     "installer", "copies", "files", "into", "a",       "folder", "of",
        "and",     "registers", "its",    "DLLs",  "when", "setup",   "is",     "run",
        "return",  "static",    "const",  "int",   "void", "while",   "for",    "if",
        "{",       "}",         "(",      ");",    "=",    "==",      "->",     "std::",
        "licence", "software",  "may",    "be",    "used", "without", "any",    "warranty"};
    std::mt19937 generator(seed);
    SampleBytes bytes;
    bytes.reserve(size + 16);
    while (bytes.size() < size) {
        std::string word = kWords[generator() % std::size(kWords)];
        bytes.insert(bytes.end(), word.begin(), word.end());
        std::uint32_t gap = generator() % 16;
        bytes.push_back(gap == 0 ? '\n' : gap == 1 ? ',' : ' ');
    }
    bytes.resize(size);
    return bytes;
}

// One random block of `period` bytes repeated, with one byte in `mutationRate` changed (none
// for 0): long matches that end at scattered places.
inline SampleBytes repeatedBlock(std::size_t size, std::size_t period, std::uint32_t seed,
                                 std::uint32_t mutationRate = 0) {
    SampleBytes block = randomBytes(period, seed);
    std::mt19937 generator(seed + 1);
    SampleBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = block[i % period];
        if (mutationRate != 0 && generator() % mutationRate == 0) {
            bytes[i] = static_cast<std::uint8_t>(generator());
        }
    }
    return bytes;
}

// Mostly zero bytes: each byte is zero with probability (zeroIn - 1) / zeroIn, else random.
// Many short runs of zeros, as in the tables and padding of executables.
inline SampleBytes mostlyZero(std::size_t size, std::uint32_t seed, std::uint32_t zeroIn = 4) {
    std::mt19937 generator(seed);
    SampleBytes bytes(size);
    for (auto& byte : bytes) {
        byte = generator() % zeroIn == 0 ? static_cast<std::uint8_t>(generator()) : 0;
    }
    return bytes;
}

// Little-endian 16-, 32- and 64-bit integers of small values, mixed: runs of zeros of many
// lengths between small bytes, like the tables of a program.
inline SampleBytes integerTable(std::size_t size, std::uint32_t seed) {
    std::mt19937 generator(seed);
    SampleBytes bytes;
    bytes.reserve(size + 8);
    while (bytes.size() < size) {
        std::uint32_t width = 2u << (generator() % 3);
        std::uint32_t value = generator() % 600;
        for (std::uint32_t i = 0; i < width; ++i) {
            bytes.push_back(i < 4 ? static_cast<std::uint8_t>(value >> (8 * i)) : 0);
        }
    }
    bytes.resize(size);
    return bytes;
}

// Runs of one byte value with random lengths up to `longestRun`.
inline SampleBytes runs(std::size_t size, std::uint32_t longestRun, std::uint32_t seed) {
    std::mt19937 generator(seed);
    SampleBytes bytes;
    bytes.reserve(size + longestRun);
    while (bytes.size() < size) {
        bytes.insert(bytes.end(), 1 + generator() % longestRun,
                     static_cast<std::uint8_t>(generator() % 4));
    }
    bytes.resize(size);
    return bytes;
}

// The Fibonacci word over "ab": every prefix has many borders, which the long-match phase of
// the match finder follows.
inline SampleBytes fibonacciWord(std::size_t size) {
    std::string previous = "a";
    std::string current = "ab";
    while (current.size() < size) {
        std::string next = current + previous;
        previous = std::move(current);
        current = std::move(next);
    }
    return SampleBytes(current.begin(), current.begin() + static_cast<std::ptrdiff_t>(size));
}

// Bytes from 0x80 to 0xFF in which no pair of neighbouring bytes occurs twice (a de Bruijn
// sequence of pairs, cut to size): filler in which an encoder finds no match at all. At most
// 128 x 128 bytes.
inline SampleBytes unrepeatedPairs(std::size_t size) {
    SampleBytes bytes;
    for (std::uint32_t first = 0; first < 128 && bytes.size() < size; ++first) {
        bytes.push_back(static_cast<std::uint8_t>(0x80 + first));
        for (std::uint32_t second = first + 1; second < 128; ++second) {
            bytes.push_back(static_cast<std::uint8_t>(0x80 + first));
            bytes.push_back(static_cast<std::uint8_t>(0x80 + second));
        }
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace tovik::testing
