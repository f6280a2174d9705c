#include "codec/implode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "codec/code_tables.h"

namespace tovik {

namespace {

using namespace code_tables;

constexpr std::uint32_t kFirstMatchToken = 256;
constexpr std::uint32_t kEndToken = kFirstMatchToken + kEndOfStreamLength - 2;
static_assert(kEndToken + 1 == ImplodeWork::kTokenCount);

constexpr std::uint32_t kLongestMatch = ImplodeWork::kLookAhead;
// Once the best match is longer than this, the scan switches to the long-match phase.
constexpr std::uint32_t kLongMatchThreshold = 10;
// Matches this long are put at once, without looking one byte further.
constexpr std::uint32_t kGoodEnoughMatch = 8;
// A 2-byte match carries only 2 low distance bits, so it reaches 256 bytes back at most.
constexpr std::uint32_t kShortMatchReach = 256;
// Looking one byte further pays for a match only one byte longer when the current one is
// farther back than this.
constexpr std::uint32_t kLazyDistance = 129;
constexpr std::uint16_t kNoBorder = 0xFFFF;

// Bits and stream value of every token, flag bit included, for one literal mode.
struct TokenTable {
    std::array<std::uint8_t, ImplodeWork::kTokenCount> bits{};
    std::array<std::uint16_t, ImplodeWork::kTokenCount> values{};
};

constexpr TokenTable makeTokenTable(std::uint32_t literalMode) {
    TokenTable table;
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        if (literalMode == 0) {
            table.bits[byte] = 9;
            table.values[byte] = static_cast<std::uint16_t>(2 * byte);
        } else {
            table.bits[byte] = static_cast<std::uint8_t>(kLiteralCodeBits[byte] + 1);
            table.values[byte] = static_cast<std::uint16_t>(2 * kLiteralCodeValues[byte]);
        }
    }
    // Length codes in order, each with its extra values in order: the lengths 2 to 519.
    std::uint32_t token = kFirstMatchToken;
    for (std::uint32_t code = 0; code < 16; ++code) {
        std::uint32_t codeBits = kLengthCodeBits[code];
        for (std::uint32_t extra = 0; extra < (1u << kLengthExtraBits[code]); ++extra) {
            table.bits[token] = static_cast<std::uint8_t>(kLengthExtraBits[code] + codeBits + 1);
            table.values[token] = static_cast<std::uint16_t>(extra << (codeBits + 1) |
                                                             kLengthCodeValues[code] << 1 | 1);
            ++token;
        }
    }
    return table;
}

constexpr TokenTable kPlainLiteralTokens = makeTokenTable(0);
constexpr TokenTable kCodedLiteralTokens = makeTokenTable(1);
static_assert(kPlainLiteralTokens.values[kEndToken] == 0xFF01 &&
              kPlainLiteralTokens.bits[kEndToken] == 16);

// Output: bits go into the buffer least significant first; each full 2048-byte block is given
// to `write` as soon as it is complete.

void flushOutputBlock(ImplodeWork& work) {
    std::uint32_t size = ImplodeWork::kOutputBlockSize;
    work.write(work.output, size, work.context);
    std::uint8_t partial = work.output[ImplodeWork::kOutputBlockSize];
    std::memset(work.output, 0, sizeof work.output);
    if (work.outputBitCount != 0) {
        work.output[0] = partial;
    }
    work.outputByteCount -= ImplodeWork::kOutputBlockSize;
}

// Up to 8 bits, OR-ed into the byte being filled and spilling into the next one.
inline void putByteBits(ImplodeWork& work, std::uint32_t count, std::uint32_t value) {
    std::uint32_t used = work.outputBitCount;
    std::uint8_t* byte = work.output + work.outputByteCount;
    byte[0] = static_cast<std::uint8_t>(byte[0] | (value << used));
    std::uint32_t total = used + count;
    if (total > 8) {
        byte[1] = static_cast<std::uint8_t>(value >> (8 - used));
        ++work.outputByteCount;
        work.outputBitCount = total - 8;
    } else if (total == 8) {
        ++work.outputByteCount;
        work.outputBitCount = 0;
    } else {
        work.outputBitCount = total;
    }
    if (work.outputByteCount == ImplodeWork::kOutputBlockSize) {
        flushOutputBlock(work);
    }
}

// Up to 16 bits, the low 8 first.
inline void putBits(ImplodeWork& work, std::uint32_t count, std::uint32_t value) {
    if (count > 8) {
        putByteBits(work, 8, value & 0xFF);
        putByteBits(work, count - 8, value >> 8);
    } else {
        putByteBits(work, count, value);
    }
}

inline void putToken(ImplodeWork& work, std::uint32_t token) {
    putBits(work, work.tokenBits[token], work.tokenValues[token]);
}

// A match: its header token, the distance code of the high part, then the low part: 2 bits for
// length 2, dictionary-bits bits otherwise.
void putMatch(ImplodeWork& work, std::uint32_t length, std::uint32_t distance) {
    putToken(work, kFirstMatchToken + length - 2);
    std::uint32_t stored = distance - 1;
    std::uint32_t lowBits = length == 2 ? 2 : work.dictionaryBits;
    std::uint32_t high = stored >> lowBits;
    putBits(work, work.distanceCodeBits[high], work.distanceCodeValues[high]);
    putBits(work, lowBits, stored & ((1u << lowBits) - 1));
}

// Positions whose first bytes are equal share a hash exactly when their second bytes are equal.
inline std::uint32_t pairHash(const std::uint8_t* window, std::uint32_t position) {
    return 4u * window[position] + 5u * window[position + 1];
}

// Sorts the positions from `first` up to `last` (exclusive) by pair hash: a counting sort whose
// counters end up as each hash's first index, the hash cursor.
void indexBlock(ImplodeWork& work, std::uint32_t first, std::uint32_t last) {
    std::uint16_t* cursor = work.hashCursor;
    std::memset(cursor, 0, sizeof work.hashCursor);
    for (std::uint32_t q = first; q < last; ++q) {
        ++cursor[pairHash(work.window, q)];
    }
    std::uint16_t total = 0;
    for (std::uint32_t hash = 0; hash < ImplodeWork::kHashCount; ++hash) {
        total = static_cast<std::uint16_t>(total + cursor[hash]);
        cursor[hash] = total;
    }
    for (std::uint32_t q = last; q-- > first;) {
        work.positionList[--cursor[pairHash(work.window, q)]] = static_cast<std::uint16_t>(q);
    }
}

inline std::uint64_t load64(const std::uint8_t* bytes) {
    std::uint64_t value;
    std::memcpy(&value, bytes, 8);
    return value;
}

// The number of leading bytes that agree in two words loaded from memory, given that they
// differ.
inline std::uint32_t agreeingBytesOf(std::uint64_t difference) {
    if constexpr (std::endian::native == std::endian::little) {
        return static_cast<std::uint32_t>(std::countr_zero(difference)) / 8;
    } else {
        return static_cast<std::uint32_t>(std::countl_zero(difference)) / 8;
    }
}

// The number of leading bytes on which `a` and `b` agree, known to be at least `from`, at most
// `limit`. Reads nothing at or beyond `limit`.
inline std::uint32_t agreeingBytes(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t from,
                                   std::uint32_t limit) {
    std::uint32_t count = from;
    while (count + 8 <= limit) {
        if (std::uint64_t difference = load64(a + count) ^ load64(b + count); difference != 0) {
            return count + agreeingBytesOf(difference);
        }
        count += 8;
    }
    while (count < limit && a[count] == b[count]) {
        ++count;
    }
    return count;
}

// Extends the border table of `pattern` from prefix length `built` up to `target` (the
// Knuth-Morris-Pratt failure function).
void extendBorders(std::uint16_t* border, const std::uint8_t* pattern, std::uint32_t built,
                   std::uint32_t target) {
    for (std::uint32_t length = built + 1; length <= target; ++length) {
        std::uint32_t candidate = border[length - 1];
        while (candidate != kNoBorder && pattern[candidate] != pattern[length - 1]) {
            candidate = border[candidate];
        }
        border[length] = static_cast<std::uint16_t>(candidate + 1);
    }
}

// The best match so far. A candidate at least as long takes over, so that of equal lengths the
// nearest (the last one seen) wins.
struct BestMatch {
    std::uint32_t length = 1;
    std::uint32_t candidate = 0;

    void consider(std::uint32_t count, std::uint32_t at) {
        if (count >= length) {
            length = count;
            candidate = at;
        }
    }
};

// The long-match phase, entered with a best match longer than 10 bytes. A comparison that found
// `known` bytes agreeing before window position `end` tells, through the borders of those
// bytes, which later candidates starting before `end` can still reach it and how many of their
// bytes are already known to agree; any other candidate starting before `end` falls short of
// `end`, and so of the best length, which is at least `known`.
void continueLongMatch(ImplodeWork& work, std::uint32_t position, std::uint32_t limit,
                       std::uint32_t index, BestMatch& best) {
    const std::uint8_t* window = work.window;
    const std::uint8_t* pattern = window + position;
    const std::uint16_t* list = work.positionList;
    std::uint16_t* border = work.borderTable;
    border[0] = kNoBorder;
    extendBorders(border, pattern, 0, best.length);
    std::uint32_t end = best.candidate + best.length;
    std::uint32_t known = best.length;
    for (;; ++index) {
        std::uint32_t candidate = list[index];
        if (candidate + 2 > position) {
            return;
        }
        // Every match of the best length agrees on its last byte.
        if (window[candidate + best.length - 1] != pattern[best.length - 1]) {
            continue;
        }
        std::uint32_t from;
        if (candidate < end) {
            while (known > end - candidate) {
                known = border[known];
            }
            if (end - known != candidate) {
                continue;
            }
            // At least the first byte agrees, and so the second by the pair hash.
            from = std::max(known, 2u);
        } else {
            if (window[candidate] != pattern[0]) {
                continue;
            }
            from = 2;
        }
        std::uint32_t count = agreeingBytes(window + candidate, pattern, from, limit);
        end = candidate + count;
        known = count;
        if (count > best.length && count < kLongestMatch) {
            extendBorders(border, pattern, best.length, count);
        }
        best.consider(count, candidate);
        if (count == kLongestMatch) {
            return;
        }
    }
}

// The candidates in list order from `index`: the simple phase, then the long-match phase once
// the best match is longer than 10 bytes.
void scanCandidates(ImplodeWork& work, std::uint32_t position, std::uint32_t limit,
                    std::uint32_t index, BestMatch& best) {
    const std::uint8_t* window = work.window;
    const std::uint8_t* pattern = window + position;
    const std::uint16_t* list = work.positionList;
    if (limit < 8) {
        for (;; ++index) {
            std::uint32_t candidate = list[index];
            if (candidate + 2 > position) {
                return;
            }
            if (window[candidate] == pattern[0]) {
                best.consider(agreeingBytes(window + candidate, pattern, 2, limit), candidate);
            }
        }
    }
    // The first 8 bytes of a candidate in one comparison settle every match shorter than that,
    // which is most of them.
    const std::uint64_t head = load64(pattern);
    for (;; ++index) {
        std::uint32_t candidate = list[index];
        if (candidate + 2 > position) {
            return;
        }
        if (std::uint64_t difference = load64(window + candidate) ^ head; difference != 0) {
            best.consider(agreeingBytesOf(difference), candidate);
            continue;
        }
        if (window[candidate + best.length - 1] != pattern[best.length - 1]) {
            continue;
        }
        best.consider(agreeingBytes(window + candidate, pattern, 8, limit), candidate);
        if (best.length == kLongestMatch) {
            return;
        }
        if (best.length > kLongMatchThreshold) {
            continueLongMatch(work, position, limit, index + 1, best);
            return;
        }
    }
}

// The first window position from `from` on, below `bound`, whose byte is not `value`; `bound`
// when there is none.
inline std::uint32_t endOfRun(const std::uint8_t* window, std::uint32_t from, std::uint32_t bound,
                              std::uint8_t value) {
    const std::uint64_t repeated = value * 0x0101010101010101u;
    std::uint32_t at = from;
    while (at + 8 <= bound) {
        if (std::uint64_t difference = load64(window + at) ^ repeated; difference != 0) {
            return at + agreeingBytesOf(difference);
        }
        at += 8;
    }
    while (at < bound && window[at] == value) {
        ++at;
    }
    return at;
}

// The match for a position whose bytes begin with `run` equal bytes b and then another byte x,
// `run` below the limit: zeros in executables, padding, fills. Comparing every candidate would
// visit every run of b in the dictionary. Instead: each candidate lies in a run of b and matches
// exactly min(its own run, `run`) bytes, except one whose own run is exactly `run` bytes long and
// followed by x, which matches further. Those are found as the positions run - 1 bytes before a
// pair b, x, through that pair's part of the index. Only when there is none does the match have
// `run` bytes at the nearest candidate with that many b ahead, or else the length of the longest
// shorter run at its nearest candidate: both come from reading the window back from the position.
// The result is the same as comparing every candidate. Format note: the pair b, x of the position
// itself must be in the index, after all pairs of interest, to end the first loop.
void findRunMatch(ImplodeWork& work, std::uint32_t position, std::uint32_t limit,
                  std::uint32_t firstCandidate, std::uint32_t run, BestMatch& best) {
    const std::uint8_t* window = work.window;
    const std::uint8_t* pattern = window + position;
    const std::uint16_t* list = work.positionList;
    const std::uint8_t value = pattern[0];
    const std::uint8_t next = pattern[run];
    const std::uint32_t lastCandidate = position - 2;
    const std::uint32_t offset = run - 1;

    std::uint16_t& cursor = work.hashCursor[4u * value + 5u * next];
    std::uint32_t index = cursor;
    std::uint32_t nearestAllowed = position - work.dictionarySize + 1;
    while (list[index] < nearestAllowed) {
        ++index;
    }
    cursor = static_cast<std::uint16_t>(index);
    for (;; ++index) {
        std::uint32_t pairAt = list[index];
        if (pairAt > lastCandidate + offset) {
            break;
        }
        if (pairAt < firstCandidate + offset || window[pairAt] != value ||
            window[pairAt + 1] != next) {
            continue;
        }
        std::uint32_t candidate = pairAt - offset;
        if (endOfRun(window, candidate, pairAt, value) != pairAt) {
            continue;
        }
        std::uint32_t count = run + 1;
        if (count >= best.length ||
            window[candidate + best.length - 1] == pattern[best.length - 1]) {
            count = agreeingBytes(window + candidate, pattern, count, limit);
        }
        best.consider(count, candidate);
        if (best.length == kLongestMatch) {
            return;
        }
    }
    if (best.length > run) {
        return;
    }

    // The bytes equal to b from `at` on, read back from the position, whose own run is `run`.
    std::uint32_t ahead = run;
    for (std::uint32_t at = position; at-- > firstCandidate;) {
        ahead = window[at] == value ? ahead + 1 : 0;
        if (at > lastCandidate) {
            continue;
        }
        if (ahead >= run) {
            best.length = run;
            best.candidate = at;
            return;
        }
        // Read back, so only a longer run is nearer than nothing.
        if (ahead > best.length) {
            best.length = ahead;
            best.candidate = at;
        }
    }
}

// The longest match at `position` among the candidates with its pair hash within the
// dictionary, at most `limit` bytes long; 0 when none has 2 bytes. Ties go to the nearest
// candidate, except that the first candidate reaching the longest possible match ends the
// search. Sets the match distance. `indexedEnd` is where the block's index ends.
std::uint32_t findMatch(ImplodeWork& work, std::uint32_t position, std::uint32_t limit,
                        std::uint32_t indexedEnd) {
    if (limit < 2) {
        return 0;
    }
    const std::uint8_t* window = work.window;
    const std::uint8_t* pattern = window + position;
    const std::uint16_t* list = work.positionList;
    // Format note: the position itself is in the index, after all its candidates, so no loop
    // over candidates leaves its hash's part of the list.
    std::uint16_t& cursor = work.hashCursor[pairHash(window, position)];
    std::uint32_t index = cursor;
    std::uint32_t nearestAllowed = position - work.dictionarySize + 1;
    while (list[index] < nearestAllowed) {
        ++index;
    }
    cursor = static_cast<std::uint16_t>(index);

    BestMatch best;
    std::uint32_t run = 1;
    if (pattern[1] == pattern[0]) {
        run = endOfRun(window, position + 2, position + limit, pattern[0]) - position;
    }
    if (run >= 2 && run < limit && position + run - 1 < indexedEnd) {
        findRunMatch(work, position, limit, list[index], run, best);
    } else {
        scanCandidates(work, position, limit, index, best);
    }
    if (best.length < 2) {
        return 0;
    }
    work.matchDistance = position - best.candidate - 1;
    return best.length;
}

// What the block loop needs besides the work area.
struct BlockState {
    std::uint32_t position;
    // Where this block's encoding stops: the look-ahead behind it stays for the next block,
    // unless the input has ended.
    std::uint32_t end;
    // Where the block's index ends.
    std::uint32_t indexEnd;
    bool inputEnded;
};

inline std::uint32_t matchLimit(const BlockState& block, std::uint32_t position) {
    if (!block.inputEnded) {
        return kLongestMatch;
    }
    return std::min(kLongestMatch, block.end - position);
}

// One step: a literal or a match at the current position, looking one byte further when the
// match is short.
void encodeStep(ImplodeWork& work, BlockState& block) {
    std::uint32_t& position = block.position;
    std::uint32_t length = findMatch(work, position, matchLimit(block, position), block.indexEnd);
    std::uint32_t distance = work.matchDistance + 1;
    for (;;) {
        if (length == 0 || (length == 2 && distance > kShortMatchReach)) {
            putToken(work, work.window[position]);
            ++position;
            return;
        }
        if (length >= kGoodEnoughMatch || position + 1 >= block.end) {
            break;
        }
        std::uint32_t nextLength =
            findMatch(work, position + 1, matchLimit(block, position + 1), block.indexEnd);
        if (nextLength > length && (nextLength > length + 1 || distance > kLazyDistance)) {
            putToken(work, work.window[position]);
            ++position;
            length = nextLength;
            distance = work.matchDistance + 1;
            continue;
        }
        break;
    }
    putMatch(work, length, distance);
    position += length;
}

// Fills the fresh part of the window; the number of bytes loaded. `inputEnded` is set when
// `read` has returned 0, and `read` is never asked again after that.
std::uint32_t loadBlock(ImplodeWork& work, bool& inputEnded) {
    std::uint8_t* fresh = work.window + work.dictionarySize + ImplodeWork::kLookAhead;
    std::uint32_t loaded = 0;
    while (loaded < ImplodeWork::kBlockSize) {
        std::uint32_t wanted = ImplodeWork::kBlockSize - loaded;
        std::uint32_t size = wanted;
        std::uint32_t count = work.read(fresh + loaded, size, work.context);
        if (count == 0) {
            inputEnded = true;
            break;
        }
        loaded += std::min(count, wanted);
    }
    return loaded;
}

void compress(ImplodeWork& work) {
    std::memset(work.output, 0, sizeof work.output);
    work.output[0] = static_cast<std::uint8_t>(work.literalMode);
    work.output[1] = static_cast<std::uint8_t>(work.dictionaryBits);
    work.outputByteCount = 2;
    work.outputBitCount = 0;

    const std::uint32_t dictionarySize = work.dictionarySize;
    const std::uint32_t freshStart = dictionarySize + ImplodeWork::kLookAhead;
    BlockState block{freshStart, 0, 0, false};
    for (std::uint32_t blockNumber = 0;; ++blockNumber) {
        std::uint32_t loaded = loadBlock(work, block.inputEnded);
        if (block.inputEnded && loaded == 0 && blockNumber == 0) {
            break;
        }
        block.end = dictionarySize + loaded + (block.inputEnded ? ImplodeWork::kLookAhead : 0);

        // In block 1 of a 4096-byte dictionary the first 516 window bytes never held input.
        std::uint32_t indexStart = blockNumber == 0 ? block.position
                                   : blockNumber == 1 && dictionarySize == 4096
                                       ? block.position - 4096 + ImplodeWork::kLookAhead
                                       : block.position - dictionarySize;
        // Only positions whose pair lies within the input held in the window.
        block.indexEnd = std::min(block.end, freshStart + loaded - 1);
        indexBlock(work, indexStart, block.indexEnd);

        while (block.position < block.end) {
            encodeStep(work, block);
        }
        if (block.inputEnded) {
            break;
        }
        std::memmove(work.window, work.window + ImplodeWork::kBlockSize, freshStart);
        block.position -= ImplodeWork::kBlockSize;
    }

    putToken(work, kEndToken);
    if (work.outputBitCount != 0) {
        ++work.outputByteCount;
    }
    std::uint32_t size = work.outputByteCount;
    work.write(work.output, size, work.context);
}

}  // namespace

CodecStatus implode(CodecReadFn read, CodecWriteFn write, ImplodeWork& work, void* context,
                    const std::uint32_t& literalMode, const std::uint32_t& dictionarySize) {
    switch (dictionarySize) {
        case 1024:
            work.dictionaryBits = 4;
            break;
        case 2048:
            work.dictionaryBits = 5;
            break;
        case 4096:
            work.dictionaryBits = 6;
            break;
        default:
            return CodecStatus::BadDictionarySize;
    }
    if (literalMode > 1) {
        return CodecStatus::BadLiteralMode;
    }
    work.dictionarySize = dictionarySize;
    work.dictionaryMask = (1u << work.dictionaryBits) - 1;
    work.literalMode = literalMode;
    work.read = read;
    work.write = write;
    work.context = context;
    work.matchDistance = 0;

    const TokenTable& tokens = literalMode == 0 ? kPlainLiteralTokens : kCodedLiteralTokens;
    std::copy(tokens.bits.begin(), tokens.bits.end(), work.tokenBits);
    std::copy(tokens.values.begin(), tokens.values.end(), work.tokenValues);
    std::copy(kDistanceCodeBits.begin(), kDistanceCodeBits.end(), work.distanceCodeBits);
    std::copy(kDistanceCodeValues.begin(), kDistanceCodeValues.end(), work.distanceCodeValues);

    compress(work);
    return CodecStatus::Ok;
}

}  // namespace tovik
