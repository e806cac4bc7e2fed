// The tests' own reader of the OBJs `tessaryn obj` writes, independent of the library's
// OBJ readers: positions, texture coordinates and faces as numbers, with what is wrong
// about them; and the group-border edges of faces split into groups, counted here.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace obj_testing {

struct ReadObj {
    std::vector<double> positions;  // x, y, z of each `v`
    std::vector<double> uvs;        // u, v of each `vt`
    std::vector<std::vector<std::int64_t>> faces;    // 1-based vertex numbers
    std::vector<std::vector<std::int64_t>> faceUvs;  // 1-based `vt` numbers, empty when none
    std::vector<std::string> comments;
    std::vector<std::string> problems;  // lines it could not read, numbers out of range
    std::size_t groupLines = 0;
    std::size_t lines = 0;
};

ReadObj readObj(const std::string& text);

// `text` (an OBJ) with a `g partK` line before the first face of each of `parts` runs of
// faces, by face index; faces and vertices untouched.
std::string withGroups(const std::string& text, std::size_t parts);

// The edges an odd number of faces of one group use, as the same runs split them:
// (smaller, larger) pairs of 0-based vertex numbers.
std::set<std::pair<std::int64_t, std::int64_t>> groupBorderEdges(
    const std::vector<std::vector<std::int64_t>>& faces, std::size_t parts);

}  // namespace obj_testing
