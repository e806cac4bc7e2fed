// The face list of a Maya mesh node, its `.fc` statements of type "polyFaces", read as
// Maya writes it: a word of letters names an element and the numbers after it are the
// element's, counts first:
//   f N e1 .. eN     a face: its edges as walked, -n being edge n - 1 walked backwards
//   h N e1 .. eN     a hole in the face before it
//   mu S N t1 .. tN  the face's texture coordinates in UV set S (indices into its .uvsp)
// Any other element (fc, mc, ...) is passed over to the next word of letters. The list
// gives one face at a time: the one read so far is whole once the next `f` or the end
// of the statement comes, and the caller takes it then.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tessaryn {

// One face as the list gives it.
struct MayaFace {
    std::vector<std::int64_t> edges;  // its outer edges as written
    std::vector<std::int64_t> uvs;    // its texture coordinates in the set asked for
    bool mapped = false;              // it has an mu element of that set
    std::int64_t holes = 0;           // its h elements
    std::int64_t holeCorners = 0;     // their edges
    std::int64_t line = 0;            // the line of its f, from 1
};

class MayaPolyFaces {
public:
    // `uvSet`: the set whose mu elements are kept.
    explicit MayaPolyFaces(std::int64_t uvSet) : uvSet_(uvSet) {}

    // A word of letters at `line`. An `f` forgets the face before, which the caller has
    // taken. False when the element before is not whole, or no face has begun.
    bool element(std::string_view word, std::int64_t line);
    // A number of the element being read; false when it has no room for it.
    bool number(std::int64_t value);
    // Room for the `count` edges of the face just begun, to be read straight into it; null
    // when the face has its count already. Then the edges put there are taken, as number()
    // would take the count and then each of them, or the room is let go.
    std::int64_t* faceEdgesRoom(std::size_t count);
    void takeFaceEdges() { left_ = 0; }
    void dropFaceEdges() { face_.edges.clear(); }
    // Whether a face has begun and its last element is whole: the face may be taken.
    bool hasFace() const { return begun_; }
    bool elementWhole() const { return element_ == Element::Other || left_ == 0; }
    const MayaFace& face() const { return face_; }
    // The face read so far was taken, and the caller reads the faces after it on a road of
    // its own: the next `f` begins a face with none before it to take.
    void faceTaken() { endStatement(); }
    // A statement ends: the next one starts with a new face.
    void endStatement() {
        begun_ = false;
        element_ = Element::None;
        left_ = 0;
    }

private:
    enum class Element { None, Face, Hole, Uvs, Other };

    const std::int64_t uvSet_;
    MayaFace face_;
    bool begun_ = false;
    Element element_ = Element::None;
    // Numbers still wanted: -2 while the set of an mu is, -1 while a count is.
    std::int64_t left_ = 0;
    bool keepUvs_ = false;  // the mu being read is of the set asked for
};

}  // namespace tessaryn
