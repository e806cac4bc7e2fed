#include "scene/usd/usd_arrays.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "base/numbers.h"
#include "scene/usd/usd_word_bytes.h"

namespace tessaryn {

namespace {

// How countTuples takes each byte: passed over, counted as a tuple's '(', or looked at.
struct TupleBytes {
    enum : unsigned char { kPass, kOpen, kStop };
    unsigned char kind[256] = {};
    TupleBytes() {
        kind[static_cast<unsigned char>('(')] = kOpen;
        for (const char c : std::string("]#/\"'@<[{}")) kind[static_cast<unsigned char>(c)] = kStop;
    }
};
const TupleBytes kTupleBytes;

}  // namespace

ArrayRead countTuples(UsdLexer& lexer, std::int64_t& count) {
    UsdByteReader& reader = lexer.reader();
    count = 0;
    for (;;) {
        if (reader.cursor == reader.limit && !reader.ensure()) {
            lexer.skipGroup('[');
            return ArrayRead::Broken;
        }
        // Within a tuple only numbers, blanks and commas stand; between tuples the next
        // '(' or the closing ']'.
        const char* p = reader.cursor;
        const char* const end = reader.limit;
        std::int64_t opened = 0;
        bool stopped = false;
        while (p != end && !stopped) {
            // Number text only, sixteen bytes at a time, then eight ...
            for (; end - p >= 16; p += 16) {
                const NumberTextBlock block = numberTextBlock(p);
                if (!block.numberText) break;
                opened += block.opens;
            }
            for (; end - p >= 8; p += 8) {
                const std::uint64_t word = loadWord(p);
                if (numberTextBytes(word) != kHighBits) break;
                opened += markedBytes(bytesEqual(word, '('));
            }
            // ... and a word that holds anything else (or the last few bytes) byte by byte.
            for (const char* const wordEnd = end - p >= 8 ? p + 8 : end; p != wordEnd; ++p) {
                const unsigned char kind = kTupleBytes.kind[static_cast<unsigned char>(*p)];
                if (kind == TupleBytes::kPass) continue;
                stopped = kind == TupleBytes::kStop;
                if (stopped) break;
                ++opened;
            }
        }
        const char c = p != end ? *p : '\0';
        count += opened;
        reader.cursor = p;
        if (p == end) continue;
        if (c == ']') {
            ++reader.cursor;
            return ArrayRead::Done;
        }
        if (c == '#' || (c == '/' && reader.ensure(2) &&
                         (reader.cursor[1] == '/' || reader.cursor[1] == '*'))) {
            lexer.skipSpaceInGroup();
            if (lexer.problem() != SceneRefusal::None) return ArrayRead::Broken;
            continue;
        }
        break;
    }
    return lexer.skipGroup('[') ? ArrayRead::Malformed : ArrayRead::Broken;
}

namespace {

bool startsWith(const char* p, const char* end, std::string_view word) {
    return static_cast<std::size_t>(end - p) >= word.size() &&
           std::string_view(p, word.size()) == word;
}

bool endsNumber(char c) {
    return c == ',' || c == ')' || c == ']' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The digits of a number's whole part and of its fraction, as `q` shows them, the whole
// part shorter than eight digits and the fraction than sixteen (most coordinates), read a
// word at a time: `q` moves past them, the digits make `mantissa`, `digits` counts them
// all and `decimals` those after the point. False, with nothing moved, when a run is
// longer or the bytes left are too few.
bool readShortDigitRuns(const char*& q, const char* end, std::uint64_t& mantissa, int& digits,
                        int& decimals) {
    if (end - q < 25) return false;  // the runs' words within the bytes at hand
    std::uint64_t whole = 0;
    const unsigned wholeDigits = leadingDigits(loadWord(q), whole);
    if (wholeDigits == 8) return false;
    const char* p = q + wholeDigits;
    std::uint64_t fraction = 0;
    unsigned fractionDigits = 0;
    if (*p == '.') {
        const std::uint64_t first = loadWord(p + 1);
        fractionDigits = leadingDigits(first, fraction);
        if (fractionDigits == 8) {
            // A fraction of eight digits or more (a float's shortest text often has nine):
            // its next word.
            std::uint64_t more = 0;
            const unsigned moreDigits = leadingDigits(loadWord(p + 9), more);
            if (moreDigits == 8) return false;
            fraction = eightDigitsValue(first) * kPowersOfTen[moreDigits] + more;
            fractionDigits += moreDigits;
        }
        p += 1 + fractionDigits;
    }
    mantissa = whole * kPowersOfTen[fractionDigits] + fraction;
    digits = static_cast<int>(wholeDigits + fractionDigits);
    decimals = static_cast<int>(fractionDigits);
    q = p;
    return true;
}

// A double's bits below a float's 24 (those rounding it to a float drops), and the
// pattern they have at the midpoint between two floats.
constexpr std::uint64_t kBelowFloat = (std::uint64_t{1} << 29) - 1;
constexpr std::uint64_t kFloatMidpoint = std::uint64_t{1} << 28;

// 10^-n rounded to the nearest double.
constexpr double kInversePowersOfTen[] = {1e-0, 1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                          1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15};

// `mantissa` / 10^`decimals` (mantissa below 2^53, decimals at most 15) rounded to a
// double, then to a float, as USD reads a float array's element. The division that rounds
// it to the nearest double takes several times a multiplication's time: the product with
// 10^-decimals is within a few units of the last place of it, so both round to the same
// float but where a midpoint between two floats lies that close, which its low bits show;
// there (about one number in ten million) the division is made after all.
float decimalToFloat(std::uint64_t mantissa, int decimals) {
    const double product = static_cast<double>(mantissa) * kInversePowersOfTen[decimals];
    std::uint64_t bits = 0;
    std::memcpy(&bits, &product, sizeof bits);
    const std::uint64_t below = bits & kBelowFloat;
    const std::uint64_t fromMidpoint =
        below > kFloatMidpoint ? below - kFloatMidpoint : kFloatMidpoint - below;
    if (fromMidpoint > 16) return static_cast<float>(product);
    return static_cast<float>(static_cast<double>(mantissa) / kExactPowersOfTen[decimals]);
}

// A number read as USD reads one, into a double, then rounded to a float. Plain decimals
// of at most 15 digits take decimalToFloat; the rest the library's full conversion. Gives
// where the number ends; null for none.
const char* readNumber(const char* p, const char* end, float& value) {
    const char* q = p;
    const bool negative = q != end && *q == '-';
    if (negative) ++q;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    if (!readShortDigitRuns(q, end, mantissa, digits, decimals)) {
        for (; q != end && static_cast<unsigned char>(*q - '0') < 10; ++q, ++digits)
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
        if (q != end && *q == '.') {
            for (++q; q != end && static_cast<unsigned char>(*q - '0') < 10;
                 ++q, ++digits, ++decimals)
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(*q - '0');
        }
    }
    const bool whole = digits > decimals;
    const bool plain = (whole || decimals > 0) && digits <= 15 &&
                       (q == end || (*q != 'e' && *q != 'E'));
    if (plain) {
        const float magnitude = decimalToFloat(mantissa, decimals);
        value = negative ? -magnitude : magnitude;
        return q;
    }
    double wide = 0.0;
    const auto result = std::from_chars(p, end, wide, std::chars_format::general);
    if (result.ec != std::errc()) return nullptr;
    value = static_cast<float>(wide);
    return result.ptr;
}

// One number at `p`, ending before `end`; null when there is none, something other than
// a separator follows it, or it is longer than kFloatLookAhead / 2 bytes: the most that
// is always at hand after a number's first byte, wherever the blocks of the text end, so
// that an array reads alike from whichever byte its reading starts.
const char* readTupleNumber(const char* p, const char* end, float& value) {
    const bool negative = *p == '-';
    const char* word = negative ? p + 1 : p;
    const char* stop = nullptr;
    if (startsWith(word, end, "inf")) {
        value = negative ? -std::numeric_limits<float>::infinity()
                         : std::numeric_limits<float>::infinity();
        stop = word + 3;
    } else if (startsWith(word, end, "nan")) {
        value = std::numeric_limits<float>::quiet_NaN();
        stop = word + 3;
    } else {
        stop = readNumber(p, end, value);
        if (stop == nullptr) return nullptr;
    }
    if (stop - p > static_cast<std::ptrdiff_t>(kFloatLookAhead / 2)) return nullptr;
    return stop != end && endsNumber(*stop) ? stop : nullptr;
}

// A tuple at `p` as USD's own writer puts it, "(1, 2.5, -3)": `width` numbers (at most
// four), each starting with a digit or a '-' and a digit and before `safe`, read as
// readTupleNumber reads them, the first ones each followed by a comma and a blank or not,
// the last by the closing parenthesis. Its numbers are appended to `values`; gives the
// byte after the tuple, or null, nothing appended, for the byte-by-byte road to read
// whatever else it is.
const char* readPlainTuple(const char* p, const char* end, const char* safe, std::size_t width,
                           std::vector<float>& values) {
    float tuple[4];
    if (width > 4) return nullptr;
    const char* q = p + 1;
    for (std::size_t i = 0; i < width; ++i) {
        if (q >= safe) return nullptr;
        const char* const digit = *q == '-' ? q + 1 : q;
        if (digit == end || static_cast<unsigned char>(*digit - '0') >= 10) return nullptr;
        const char* const stop = readNumber(q, end, tuple[i]);
        if (stop == nullptr || stop == end ||
            stop - q > static_cast<std::ptrdiff_t>(kFloatLookAhead / 2) ||
            *stop != (i + 1 < width ? ',' : ')'))
            return nullptr;
        q = stop + 1;
        if (i + 1 < width && q != end && *q == ' ') ++q;
    }
    values.insert(values.end(), tuple, tuple + width);
    return q;
}

}  // namespace

ArrayRead readFloatTuples(UsdLexer& lexer, std::size_t width, std::vector<float>& values) {
    UsdByteReader& reader = lexer.reader();
    bool inTuple = false;
    std::size_t filled = 0;  // numbers of the tuple so far
    for (;;) {
        const bool more = reader.ensure(kFloatLookAhead);
        const char* p = reader.cursor;
        const char* const end = reader.limit;
        if (p == end) {
            lexer.skipGroup('[');  // reports the open bracket
            return ArrayRead::Broken;
        }
        // Far enough from the end of the bytes at hand that a number is read whole.
        const char* const safe = more ? end - kFloatLookAhead / 2 : end;
        bool malformed = false;
        while (p < safe) {
            const char c = *p;
            if (c == ' ' || c == ',' || c == '\n' || c == '\r' || c == '\t') {
                ++p;
            } else if (c == '(') {
                if (!inTuple) {
                    // Nearly every tuple is read whole at once.
                    const char* const after = readPlainTuple(p, end, safe, width, values);
                    if (after != nullptr) {
                        p = after;
                        continue;
                    }
                }
                malformed = inTuple;
                inTuple = true;
                filled = 0;
                ++p;
            } else if (c == ')') {
                malformed = !inTuple || filled != width;
                inTuple = false;
                ++p;
            } else if (c == ']' && !inTuple) {
                reader.cursor = p + 1;
                return ArrayRead::Done;
            } else if (c == '#' || c == '/') {
                break;  // a comment, looked at below
            } else {
                float value = 0.0F;
                const char* const stop = inTuple && filled < width
                                             ? readTupleNumber(p, end, value)
                                             : nullptr;
                malformed = stop == nullptr;
                if (!malformed) {
                    values.push_back(value);
                    ++filled;
                    p = stop;
                }
            }
            if (malformed) break;
        }
        reader.cursor = p;
        if (malformed) break;
        if (p < safe) {
            // A comment inside the array; a lone '/' starts none.
            lexer.skipSpaceInGroup();
            if (lexer.problem() != SceneRefusal::None) return ArrayRead::Broken;
            if (reader.cursor == p) break;
        }
    }
    // Inside a tuple its parenthesis is closed first.
    if (inTuple && !lexer.skipGroup('(')) return ArrayRead::Broken;
    return lexer.skipGroup('[') ? ArrayRead::Malformed : ArrayRead::Broken;
}

ArrayRead readNumbers(UsdLexer& lexer, std::vector<double>& values,
                      std::vector<std::string>& texts) {
    for (;;) {
        const UsdToken& token = lexer.next();
        if (token.kind == UsdTokenKind::End) {
            // The '[' is the token before; the lexer names its line.
            if (lexer.problem() == SceneRefusal::None)
                lexer.fail(SceneRefusal::UnterminatedBlock, token.line);
            return ArrayRead::Broken;
        }
        if (token.isPunct(']')) return ArrayRead::Done;
        if (token.isPunct(',')) continue;
        // The house reader, not strtod: a host's locale must not change how "0.5" reads.
        TextCursor cursor(token.text);
        float value = 0.0F;
        const bool number =
            token.kind == UsdTokenKind::Number && readFloat(cursor, value) && cursor.atEnd();
        if (!number) {
            if (token.kind == UsdTokenKind::Punct &&
                (token.punct == '(' || token.punct == '[' || token.punct == '{') &&
                !lexer.skipGroup(token.punct))
                return ArrayRead::Broken;
            return lexer.skipGroup('[') ? ArrayRead::Malformed : ArrayRead::Broken;
        }
        values.push_back(value);
        texts.push_back(token.text);
    }
}

}  // namespace tessaryn
