#include "crate_compression.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "crate_output.h"

namespace tessaryn::testkit {

namespace {

constexpr std::size_t kMinMatch = 4;
constexpr std::size_t kLastLiterals = 5;    // a block ends with at least this many literals
constexpr std::size_t kMatchStartEnd = 12;  // and no match starts this close to its end
constexpr std::size_t kMaxOffset = 65535;
constexpr int kHashBits = 16;
constexpr std::size_t kLz4MaxInput = 0x7E000000;

std::uint32_t loadWord(const unsigned char* at) {
    std::uint32_t word = 0;
    std::memcpy(&word, at, sizeof word);  // host order: only compared and hashed
    return word;
}

std::size_t hashOf(std::uint32_t word) {
    return static_cast<std::size_t>((word * 2654435761u) >> (32 - kHashBits));
}

// The part of a length past its nibble: bytes of 255, then the rest (possibly 0).
void appendLengthRest(std::string& to, std::size_t rest) {
    for (; rest >= 255; rest -= 255) to += static_cast<char>(0xFF);
    to += static_cast<char>(rest);
}

// One sequence: literals, then a match of `matchLength` bytes `offset` back; a match
// length of 0 makes it the block's last sequence, literals only.
void appendSequence(std::string& to, const unsigned char* literals, std::size_t literalCount,
                    std::size_t offset, std::size_t matchLength) {
    const std::size_t matchCode = matchLength == 0 ? 0 : matchLength - kMinMatch;
    to += static_cast<char>((std::min<std::size_t>(literalCount, 15) << 4) |
                            std::min<std::size_t>(matchCode, 15));
    if (literalCount >= 15) appendLengthRest(to, literalCount - 15);
    to.append(reinterpret_cast<const char*>(literals), literalCount);
    if (matchLength == 0) return;
    to += static_cast<char>(offset & 0xFF);
    to += static_cast<char>(offset >> 8);
    if (matchCode >= 15) appendLengthRest(to, matchCode - 15);
}

// A delta's two-bit code and the bytes its value takes in the data area.
unsigned codeOf(std::uint32_t delta, std::uint32_t common) {
    if (delta == common) return 0;
    const auto value = static_cast<std::int32_t>(delta);
    if (value >= -128 && value <= 127) return 1;
    if (value >= -32768 && value <= 32767) return 2;
    return 3;
}

constexpr std::size_t kCodeBytes[4] = {0, 1, 2, 4};

// The most frequent delta; between equally frequent ones, the larger.
std::uint32_t commonDelta(const std::uint32_t* values, std::size_t count) {
    std::unordered_map<std::uint32_t, std::size_t> seen;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        ++seen[values[i] - previous];
        previous = values[i];
    }
    std::uint32_t best = 0;
    std::size_t bestCount = 0;
    for (const auto& [delta, times] : seen) {
        const bool larger = static_cast<std::int32_t>(delta) > static_cast<std::int32_t>(best);
        if (times > bestCount || (times == bestCount && larger)) {
            best = delta;
            bestCount = times;
        }
    }
    return best;
}

}  // namespace

void appendLz4Block(std::string& to, const char* data, std::size_t size) {
    const auto* in = reinterpret_cast<const unsigned char*>(data);
    std::size_t anchor = 0;  // first byte not yet in a sequence
    if (size > kMatchStartEnd) {
        // Positions plus one, 0 for none: every position fits, inputs stay below 2^31.
        std::vector<std::uint32_t> last(std::size_t{1} << kHashBits, 0);
        const std::size_t matchStartEnd = size - kMatchStartEnd;
        const std::size_t matchEnd = size - kLastLiterals;
        std::size_t at = 0;
        while (at < matchStartEnd) {
            const std::uint32_t word = loadWord(in + at);
            std::uint32_t& slot = last[hashOf(word)];
            const std::size_t candidate = slot;
            slot = static_cast<std::uint32_t>(at + 1);
            if (candidate == 0 || at + 1 - candidate > kMaxOffset ||
                loadWord(in + candidate - 1) != word) {
                ++at;
                continue;
            }
            const std::size_t from = candidate - 1;
            std::size_t length = kMinMatch;
            while (at + length < matchEnd && in[from + length] == in[at + length]) ++length;
            appendSequence(to, in + anchor, at - anchor, at - from, length);
            at += length;
            anchor = at;
        }
    }
    appendSequence(to, in + anchor, size - anchor, 0, 0);
}

void appendFastCompressed(std::string& to, const char* data, std::size_t size) {
    if (size > kLz4MaxInput) throw std::length_error("crate blob larger than one LZ4 block");
    to += '\0';
    appendLz4Block(to, data, size);
}

std::string encodeIntegers(const std::uint32_t* values, std::size_t count) {
    if (count == 0) return {};
    const std::uint32_t common = commonDelta(values, count);
    const std::size_t codeBytes = (2 * count + 7) / 8;
    // Sized exactly first, so that a list of millions is not grown and copied.
    std::size_t dataBytes = 0;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        dataBytes += kCodeBytes[codeOf(values[i] - previous, common)];
        previous = values[i];
    }
    std::string encoded;
    encoded.reserve(4 + codeBytes + dataBytes);
    appendU32(encoded, common);
    encoded.append(codeBytes, '\0');
    previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t delta = values[i] - previous;
        previous = values[i];
        const unsigned code = codeOf(delta, common);
        encoded[4 + i / 4] = static_cast<char>(static_cast<unsigned char>(encoded[4 + i / 4]) |
                                               (code << (2 * (i % 4))));
        for (std::size_t b = 0; b < kCodeBytes[code]; ++b)
            encoded += static_cast<char>((delta >> (8 * b)) & 0xFF);
    }
    return encoded;
}

std::string encodeIntegers(const std::int32_t* values, std::size_t count) {
    // Signed and unsigned forms of one type may alias; the coding works modulo 2^32.
    return encodeIntegers(reinterpret_cast<const std::uint32_t*>(values), count);
}

void appendCompressedIntList(std::string& to, const std::uint32_t* values, std::size_t count) {
    const std::size_t sizeAt = to.size();
    appendU64(to, 0);
    {
        const std::string encoded = encodeIntegers(values, count);
        appendFastCompressed(to, encoded.data(), encoded.size());
    }
    std::string size;
    appendU64(size, to.size() - sizeAt - 8);
    to.replace(sizeAt, 8, size);
}

void appendCompressedIntList(std::string& to, const std::int32_t* values, std::size_t count) {
    appendCompressedIntList(to, reinterpret_cast<const std::uint32_t*>(values), count);
}

}  // namespace tessaryn::testkit
