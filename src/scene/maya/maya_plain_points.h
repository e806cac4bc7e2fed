// The lines of a Maya vertex list that hold coordinates and nothing else, as Maya writes a
// mesh's points four to a line below the statement's first:
//     		 3.999699 0.049086 0.000000 3.999529 0.061357 0.000000
// white space, then coordinates as Maya writes them ("-3.999699": digits, a point,
// digits), each closed by white space. A reader goes through runs of them many at a time,
// the start of every coordinate of a line found at once, so that each is read on its own,
// not one after the other, and none handed to the statement splitter; any other line goes
// the splitter's way, which reads it, or refuses it, as it always has.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaryn {

// A coordinate as Maya writes it, at `p`: a '-' or not, digits, a point and digits, both
// runs shorter than eight and together below 2^24, read eight bytes at a time; then it is
// the quotient readFloat's quick road gives for the same digits and power of ten, and
// `stop` is the byte after it. Anything else answers false, for readFloat. Seventeen
// bytes past the sign must lie before `end`.
bool readPlainCoordinate(const char* p, const char* end, float& value, const char*& stop);

// The most coordinates of a line read this way: Maya writes twelve.
constexpr std::size_t kPlainPointsMostPerLine = 48;
// Bytes that lie before the text's end from each word's start on.
constexpr std::size_t kPlainPointsReach = 24;

// Receives each line's words (each a run of bytes that are not white space) by their
// starts, in order, and reads them as coordinates; false, when one is not a coordinate as
// it reads them (one closed by white space) or the line is not to be taken, stops before
// the line, which is then not passed.
class PlainPointLines {
public:
    virtual bool line(const char* const* words, std::size_t count) = 0;

protected:
    ~PlainPointLines() = default;
};

// Reads the lines from `p` (a line's start) up to the first that `lines` does not take, or
// that holds more than kPlainPointsMostPerLine words, or whose bytes come too near `end`;
// gives the start of the line after the last passed, and their number in `passed`.
const char* readPlainPointLines(const char* p, const char* end, PlainPointLines& lines,
                                std::int64_t& passed);

}  // namespace tessaryn
