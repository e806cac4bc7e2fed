#include "scene/maya/maya_plain_points.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/byte_search.h"
#include "base/numbers.h"

namespace tessaryn {

namespace {

// Powers of ten below 10^8, exact as floats.
constexpr float kFloatPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};

// Bytes looked at a time, and how far past the last of them a word starting there may be
// read.
constexpr std::ptrdiff_t kWindow = 64;
constexpr auto kReach = static_cast<std::ptrdiff_t>(kPlainPointsReach);

// Bit i of `spaces`: w[i] is white space as isStreamSpace tells it; of `feeds`: an LF.
void whiteSpaceBits(const char* w, std::uint64_t& spaces, std::uint64_t& feeds) {
#if defined(__SSE2__)
    spaces = 0;
    feeds = 0;
    for (int at = 0; at < kWindow; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + at));
        // Blank, or tab to CR; bytes from 0x80 compare as negative, below the tab.
        const __m128i space =
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                         _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('\t' - 1)),
                                       _mm_cmplt_epi8(bytes, _mm_set1_epi8('\r' + 1))));
        const __m128i feed = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
        spaces |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(space))} << at;
        feeds |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(feed))} << at;
    }
#else
    spaces = 0;
    feeds = 0;
    for (int at = 0; at < kWindow; ++at) {
        spaces |= std::uint64_t{isStreamSpace(w[at]) ? 1u : 0u} << at;
        feeds |= std::uint64_t{w[at] == '\n' ? 1u : 0u} << at;
    }
#endif
}

}  // namespace

bool readPlainCoordinate(const char* p, const char* end, float& value, const char*& stop) {
    const bool negative = *p == '-';
    const char* q = negative ? p + 1 : p;
    if (end - q < 17) return false;  // both runs of digits in words of their own
    std::uint64_t whole = 0;
    const unsigned wholeDigits = leadingDigits(byte_search::loadWord(q), whole);
    if (wholeDigits == 0 || wholeDigits == 8 || q[wholeDigits] != '.') return false;
    q += wholeDigits + 1;
    std::uint64_t fraction = 0;
    const unsigned decimals = leadingDigits(byte_search::loadWord(q), fraction);
    if (decimals == 0 || decimals == 8 || q[decimals] == 'e' || q[decimals] == 'E') return false;
    const std::uint64_t mantissa = whole * kPowersOfTen[decimals] + fraction;
    if (mantissa >= (std::uint64_t{1} << 24)) return false;
    const float magnitude = static_cast<float>(mantissa) / kFloatPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    stop = q + decimals;
    return true;
}

const char* readPlainPointLines(const char* p, const char* end, PlainPointLines& lines,
                                std::int64_t& passed) {
    passed = 0;
    const char* taken = p;  // the start of the line after the last one passed
    const char* words[kPlainPointsMostPerLine];
    std::size_t count = 0;
    // A window's words start where white space (or the line's start, before the first
    // window) comes before a byte that is none.
    std::uint64_t spaceBefore = 1;
    for (const char* w = p; end - w >= kWindow + kReach; w += kWindow) {
        std::uint64_t spaces = 0;
        std::uint64_t feeds = 0;
        whiteSpaceBits(w, spaces, feeds);
        const std::uint64_t starts = ~spaces & ((spaces << 1) | spaceBefore);
        spaceBefore = spaces >> (kWindow - 1);
        for (std::uint64_t marks = starts | feeds; marks != 0; marks &= marks - 1) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctzll(marks));
            if ((feeds >> bit) & 1) {
                if (!lines.line(words, count)) return taken;
                taken = w + bit + 1;
                ++passed;
                count = 0;
            } else if (count == kPlainPointsMostPerLine) {
                return taken;
            } else {
                words[count++] = w + bit;
            }
        }
    }
    return taken;
}

}  // namespace tessaryn
