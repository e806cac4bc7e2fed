#include "scene/maya/maya_poly_faces.h"

namespace tessaryn {

bool MayaPolyFaces::element(std::string_view word, std::int64_t line) {
    if (!elementWhole()) return false;
    if (word == "f") {
        begun_ = true;
        face_.edges.clear();
        face_.uvs.clear();
        face_.mapped = false;
        face_.holes = face_.holeCorners = 0;
        face_.line = line;
        element_ = Element::Face;
        left_ = -1;
        return true;
    }
    if (!begun_) return false;  // every element belongs to the face before it
    if (word == "h") {
        ++face_.holes;
        element_ = Element::Hole;
        left_ = -1;
    } else if (word == "mu") {
        element_ = Element::Uvs;
        left_ = -2;
    } else {
        element_ = Element::Other;
    }
    return true;
}

bool MayaPolyFaces::number(std::int64_t value) {
    switch (element_) {
        case Element::None:
            return false;
        case Element::Other:
            return true;
        default:
            break;
    }
    if (left_ == 0) return false;
    if (left_ == -2) {  // the set of an mu
        keepUvs_ = value == uvSet_;
        if (keepUvs_) face_.mapped = true;
        left_ = -1;
        return true;
    }
    if (left_ == -1) {  // a count
        if (value < 0) return false;
        left_ = value;
        if (element_ == Element::Hole) face_.holeCorners += value;
        return true;
    }
    --left_;
    if (element_ == Element::Face) {
        face_.edges.push_back(value);
    } else if (element_ == Element::Uvs) {
        if (value < 0) return false;
        if (keepUvs_) face_.uvs.push_back(value);
    }
    return true;
}

std::int64_t* MayaPolyFaces::faceEdgesRoom(std::size_t count) {
    if (element_ != Element::Face || left_ != -1) return nullptr;
    face_.edges.resize(count);
    return face_.edges.data();
}

}  // namespace tessaryn
