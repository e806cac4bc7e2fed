// The lines of a Maya face list that each hold one element and nothing else, as Maya
// writes a mesh's faces a line each, with their texture coordinates in the set a line of
// their own below them or none:
//     f 4 12 -15 -9 13
//     mu 0 4 7 8 10 9
// blanks or tabs, the element's letters, a blank, and its numbers each after one blank,
// then the line's end. A reader goes through runs of them many at a time, without handing
// each number to the statement splitter; any other line goes the splitter's way, which
// reads it, or refuses it, as it always has.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaryn {

// The most corners of a face read this way: faces of more are rare.
constexpr std::size_t kPlainFaceMostEdges = 16;

// An f line's numbers.
struct PlainFace {
    std::int64_t numbers[kPlainFaceMostEdges + 1] = {};  // the count, then the edges as written
    std::size_t count = 0;                               // of edges
    // As written: -n is edge n - 1 walked backwards.
    const std::int64_t* edges() const { return numbers + 1; }
};

// An mu line's numbers.
struct PlainUvs {
    std::int64_t numbers[kPlainFaceMostEdges + 2] = {};  // the set, the count, the coordinates
    std::size_t count = 0;                               // of coordinates
    std::int64_t set() const { return numbers[0]; }
    const std::int64_t* uvs() const { return numbers + 2; }
};

// Reads the line at `p`, whose LF comes before `end`, as a plain f line (a CR before its
// LF allowed); gives the start of the line after it, or null when it is not one, or its
// count is below three or above kPlainFaceMostEdges.
const char* readPlainFaceLine(const char* p, const char* end, PlainFace& face);

// The same for an mu line, whose count must be `corners`.
const char* readPlainUvLine(const char* p, const char* end, std::size_t corners, PlainUvs& uvs);

// Whether the line at `p` starts, after blanks and tabs, with `f` and a blank: a new face,
// which ends the elements of the one before it.
bool startsFaceElement(const char* p, const char* end);

// The corners of `face`, each the vertex its edge starts from as the face walks it, into
// `corners`, from `ends` (both vertices of each of `edgeCount` edges, kNotGiven where no
// statement gave it). False when an edge is beyond the list or not given, or the edges do
// not make a closed walk: the face is left to the reader's own road, which refuses it.
bool walkPlainFace(const PlainFace& face, const std::uint32_t* ends, std::int64_t edgeCount,
                   std::uint32_t notGiven, std::uint32_t* corners);

}  // namespace tessaryn
