#include "scene/maya/maya_plain_faces.h"

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/byte_search.h"
#include "base/numbers.h"

namespace tessaryn {

namespace {

// The number at `p`, a '-' before its digits or not, of at most ten digits; `p` is left at
// the byte after it, which is before `end`. False for anything else.
bool readNumber(const char*& p, const char* end, std::int64_t& value) {
    const bool negative = *p == '-';
    const char* q = negative ? p + 1 : p;
    std::uint64_t magnitude = 0;
    unsigned digits = 8;
    if (end - q > 8) digits = leadingDigits(byte_search::loadWord(q), magnitude);
    if (digits == 8) {
        // Eight digits or more, or near the end: a byte at a time.
        const char* const first = q;
        magnitude = 0;
        unsigned digit = 0;
        while (q != end && (digit = static_cast<unsigned char>(*q - '0')) < 10 && q - first < 11) {
            magnitude = magnitude * 10 + digit;
            ++q;
        }
        if (q == first || q - first > 10 || q == end) return false;
    } else {
        if (digits == 0) return false;
        q += digits;
    }
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    p = q;
    return true;
}

const char* pastBlanks(const char* p, const char* end) {
    while (p != end && (*p == ' ' || *p == '\t')) ++p;
    return p;
}

#if defined(__SSE2__)
// The numbers at `q` (just after an element's letters and blank), as readElementLine
// reads them, when they and the line's end lie within 48 bytes and each has fewer than
// eight digits: the blanks and the LF of all 48 are found at once, and then each number
// is read on its own, not one after the other. Gives the next line's start, or null for
// the other road to read (or refuse) the line.
const char* readShortNumbers(const char* q, const char* end, std::int64_t* numbers,
                             std::size_t most, std::size_t& count) {
    constexpr int kBytes = 48;
    // The last number's eight bytes are looked at too.
    if (end - q < kBytes + 8) return nullptr;
    // Bit i of each: byte q[i] is a blank, an LF.
    std::uint64_t blankBits = 0;
    std::uint64_t feedBits = 0;
    const auto bitsOf = [](__m128i bytes, char byte) {
        const auto bits =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte))));
        return std::uint64_t{bits};
    };
    for (int at = 0; at < kBytes; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + at));
        blankBits |= bitsOf(bytes, ' ') << at;
        feedBits |= bitsOf(bytes, '\n') << at;
    }
    if (feedBits == 0) return nullptr;
    const auto feed = static_cast<unsigned>(__builtin_ctzll(feedBits));
    const unsigned stop = feed > 0 && q[feed - 1] == '\r' ? feed - 1 : feed;
    blankBits &= (std::uint64_t{1} << stop) - 1;
    // Each number runs from a blank (or q) to the next blank (or the line's end), a '-'
    // and digits and nothing else.
    count = 0;
    unsigned start = 0;
    bool whole = true;
    for (;;) {
        const unsigned next =
            blankBits != 0 ? static_cast<unsigned>(__builtin_ctzll(blankBits)) : stop;
        const char* digits = q + start;
        const bool negative = *digits == '-';
        digits += negative ? 1 : 0;
        std::uint64_t value = 0;
        const unsigned read = leadingDigits(byte_search::loadWord(digits), value);
        whole = whole && read != 0 && read != 8 && digits + read == q + next;
        numbers[count++] =
            negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
        if (blankBits == 0 || count == most) break;
        blankBits &= blankBits - 1;
        start = next + 1;
    }
    return whole && blankBits == 0 ? q + feed + 1 : nullptr;
}
#endif

// The numbers of the line at `p` (whose LF comes before `end`) when it holds the element
// `letters` and at most `most` numbers after it, into `numbers`, their number in `count`;
// gives the start of the line after it, or null.
const char* readElementLine(const char* p, const char* end, const char* letters,
                            std::int64_t* numbers, std::size_t most, std::size_t& count) {
    p = pastBlanks(p, end);
    for (; *letters != 0; ++letters, ++p) {
        if (p == end || *p != *letters) return nullptr;
    }
    if (p == end || *p != ' ') return nullptr;
    ++p;
#if defined(__SSE2__)
    if (const char* const next = readShortNumbers(p, end, numbers, most, count)) return next;
#endif
    count = 0;
    for (;;) {
        if (count == most || !readNumber(p, end, numbers[count])) return nullptr;
        ++count;
        if (*p != ' ') break;
        ++p;
    }
    if (*p == '\r') ++p;
    return p != end && *p == '\n' ? p + 1 : nullptr;
}

}  // namespace

bool startsFaceElement(const char* p, const char* end) {
    p = pastBlanks(p, end);
    return end - p >= 2 && p[0] == 'f' && p[1] == ' ';
}

const char* readPlainFaceLine(const char* p, const char* end, PlainFace& face) {
    std::size_t numbers = 0;
    const char* const next =
        readElementLine(p, end, "f", face.numbers, kPlainFaceMostEdges + 1, numbers);
    if (next == nullptr || face.numbers[0] < 3 ||
        face.numbers[0] != static_cast<std::int64_t>(numbers - 1))
        return nullptr;
    face.count = numbers - 1;
    return next;
}

const char* readPlainUvLine(const char* p, const char* end, std::size_t corners, PlainUvs& uvs) {
    std::size_t numbers = 0;
    const char* const next =
        readElementLine(p, end, "mu", uvs.numbers, kPlainFaceMostEdges + 2, numbers);
    if (next == nullptr || numbers != corners + 2 ||
        uvs.numbers[1] != static_cast<std::int64_t>(corners))
        return nullptr;
    uvs.count = corners;
    return next;
}

bool walkPlainFace(const PlainFace& face, const std::uint32_t* ends, std::int64_t edgeCount,
                   std::uint32_t notGiven, std::uint32_t* corners) {
    std::uint32_t end = notGiven;  // where the edge before ends
    for (std::size_t i = 0; i < face.count; ++i) {
        const std::int64_t given = face.edges()[i];
        const bool backwards = given < 0;
        const std::int64_t edge = backwards ? -given - 1 : given;
        if (edge >= edgeCount) return false;
        const std::uint32_t* const both = ends + 2 * edge;
        const std::uint32_t start = both[backwards ? 1 : 0];
        if (start == notGiven || (i > 0 && start != end)) return false;
        corners[i] = start;
        end = both[backwards ? 0 : 1];
    }
    return end == corners[0];
}

}  // namespace tessaryn
