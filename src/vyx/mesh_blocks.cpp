#include "vyx/mesh_blocks.h"

#include <string_view>

#include "base/obj_lines.h"
#include "vyx/obj_mesh_lines.h"

namespace tessaryn {

namespace {

// Four (u, v) pairs: the face's texture corners, padded with (0, 0).
void putTextureCorners(const MeshSurvey& survey, BlockStream& textures,
                       const FaceCorners& corners) {
    TexturePoint points[4];
    for (int k = 0; k < 4; ++k) {
        const std::int32_t index = corners.corner[k];
        points[k] = index == kNoCorner ? TexturePoint{0, 0}
                                       : survey.textureTable[static_cast<std::size_t>(index)];
    }
    textures.put(points);
}

// Edge i of the face, from corner i to the next (a triangle closes from corner 2 back
// to corner 0), owns bits 2i and 2i + 1, both set when it is a crease edge.
std::uint8_t creaseFlags(const CreaseEdgeSet& creaseEdges, const FaceCorners& face) {
    if (creaseEdges.size() == 0) return 0;
    const std::int32_t* c = face.corner;
    auto crease = [&creaseEdges](std::int32_t a, std::int32_t b) {
        return a >= 0 && b >= 0 && creaseEdges.find(a, b) != CreaseEdgeSet::kNotACreaseEdge;
    };
    std::uint8_t flags = 0;
    if (crease(c[0], c[1])) flags |= 0x03;
    if (crease(c[1], c[2])) flags |= 0x0C;
    if (c[3] == kNoCorner) {
        if (crease(c[2], c[0])) flags |= 0x30;
    } else {
        if (crease(c[2], c[3])) flags |= 0x30;
        if (crease(c[3], c[0])) flags |= 0xC0;
    }
    return flags;
}

// One face into each block that has an entry per face; `textures` null for a face
// without texture indices. Its indices name entries of the file (the survey checked).
void putFace(const MeshSurvey& survey, MeshBlockStreams& blocks, const FaceCorners& corners,
             const FaceCorners* textures, std::uint16_t groupValue) {
    blocks.faces.put(corners);
    if (textures != nullptr) putTextureCorners(survey, blocks.textures, *textures);
    blocks.faceGroups.put(groupValue);
    blocks.creaseFlags.put(creaseFlags(survey.creaseEdges, corners));
}

// Group values when the file has at least two group names, whatever the source.
bool writesGroupValues(const MeshSurvey& survey) {
    return survey.groupNames.size() >= 2;
}

class BlockFiller {
public:
    BlockFiller(const MeshSurvey& survey, MeshBlockStreams& blocks)
        : survey_(survey),
          blocks_(blocks),
          positions_(survey.positionsBefore),
          textures_(survey.texturesBefore),
          // Group values when the file has at least two group names, whatever the source.
          groupKind_(survey.groupNames.size() >= 2 ? survey.groupNames : survey.smoothingNames),
          groupLetter_(survey.groupNames.size() >= 2 ? 'g' : 's') {
        group_.current =
            survey.groupNames.size() >= 2 ? survey.groupBefore : survey.smoothingBefore;
    }

    void line(std::string_view line) {
        switch (line[0]) {
            case 'v':
                if (charAt(line, 1) == ' ') ++positions_;
                if (charAt(line, 1) == 't') ++textures_;
                return;
            case '#':
                if (isColourLine(line)) colours(line);
                return;
            case 'f':
                face(line);
                return;
            default:
                if (line[0] == groupLetter_) group(line);
                return;
        }
    }

    // True when every block got exactly the records the survey counted.
    bool complete() const {
        return !changed_ && blocks_.faces.count() == survey_.faces &&
               blocks_.textures.count() == survey_.texturedFaces &&
               blocks_.masks.count() == survey_.colourChunks;
    }

private:
    void group(std::string_view line) {
        const std::uint32_t number = groupKind_.find(groupNameOf(line));
        if (number == NameTable::kAbsent) changed_ = true;
        group_.current = number + 1;
    }

    void colours(std::string_view line) {
        const std::size_t chunks = colourChunkCount(line);
        if (blocks_.masks.count() + chunks > survey_.colourChunks) {
            changed_ = true;
            return;
        }
        for (std::size_t i = 0; i < chunks; ++i) {
            const char* chunk = line.data() + kColourChunkStart + i * kColourChunkSize;
            blocks_.masks.put(chunkMask(chunk));
            blocks_.colours.put(chunkColour(chunk));
        }
    }

    void face(std::string_view line) {
        readMeshFace(line, positions_, textures_, face_, [](std::int32_t) {});
        if (face_.cornerCount == 0) return;
        if (face_.badIndex || face_.largestVertex >= static_cast<std::int64_t>(survey_.positions) ||
            face_.largestTexture >= static_cast<std::int64_t>(survey_.textureTable.size()) ||
            blocks_.faces.count() == survey_.faces ||
            (face_.textureCount > 0 && blocks_.textures.count() == survey_.texturedFaces)) {
            changed_ = true;
            return;
        }
        putFace(survey_, blocks_, face_.corners, face_.textureCount > 0 ? &face_.textures : nullptr,
                group_.value());
    }

    const MeshSurvey& survey_;
    MeshBlockStreams& blocks_;
    std::uint64_t positions_;
    std::uint64_t textures_;
    const NameTable& groupKind_;  // the names whose ids the face-group block holds
    char groupLetter_;
    GroupState group_;
    MeshFace face_;
    bool changed_ = false;
};

}  // namespace

bool copyMeshBlocks(const MeshSurvey& survey, MeshSpills& spills, MeshBlockStreams& blocks) {
    const bool groupValues = writesGroupValues(survey);
    SpilledFace face{};
    for (std::uint64_t i = 0; i < survey.faces; ++i) {
        if (!spills.faces.take(face)) return false;
        putFace(survey, blocks, face.corners,
                face.textures.corner[0] != kNoCorner ? &face.textures : nullptr,
                groupValues ? face.groupValue : face.smoothingValue);
    }
    SpilledChunk chunk{};
    for (std::uint64_t i = 0; i < survey.colourChunks; ++i) {
        if (!spills.colours.take(chunk)) return false;
        blocks.masks.put(chunk.mask);
        blocks.colours.put(chunk.colour);
    }
    return true;
}

bool fillMeshBlocks(LineReader& obj, const MeshSurvey& survey, MeshBlockStreams& blocks) {
    BlockFiller filler(survey, blocks);
    std::string_view line;
    while (obj.next(line)) {
        if (!line.empty()) filler.line(line);
        if (obj.lineOffset() >= survey.lastOffset) break;
    }
    return filler.complete();
}

}  // namespace tessaryn
