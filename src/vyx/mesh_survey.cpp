#include "vyx/mesh_survey.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "base/obj_lines.h"
#include "crease/crease_collector.h"
#include "vyx/obj_mesh_lines.h"

namespace tessaryn {

namespace {

class Surveyor {
public:
    Surveyor(bool smoothingSource, BlockStream& positions, MeshSpills* spills, MeshSurvey& survey)
        : smoothingSource_(smoothingSource),
          positions_(positions),
          spills_(spills),
          survey_(survey) {}

    void line(std::string_view line, std::uint64_t offset) {
        switch (line[0]) {
            case 'v':
                if (charAt(line, 1) == ' ') {
                    float xyz[3] = {0, 0, 0};
                    readCoordinates(line, xyz, 3);
                    positions_.put(Position{xyz[0], xyz[1], xyz[2]});
                } else if (charAt(line, 1) == 't') {
                    float uv[2] = {0, 0};
                    readCoordinates(line, uv, 2);
                    survey_.textureTable.push_back(TexturePoint{uv[0], uv[1]});
                }
                return;
            case '#':
                if (isColourLine(line)) colours(line, offset);
                return;
            case 'g':
                groups_.current = survey_.groupNames.add(groupNameOf(line)) + 1;
                return;
            case 's':
                smoothing_.current = survey_.smoothingNames.add(groupNameOf(line)) + 1;
                return;
            case 'f':
                face(line, offset);
                return;
            default:
                return;
        }
    }

    void finish() {
        survey_.positions = positions_.count();
        const NameTable& source = smoothingSource_ ? survey_.smoothingNames : survey_.groupNames;
        survey_.sourceCount = static_cast<std::int32_t>(source.size());
        if (largestVertex_ >= static_cast<std::int64_t>(survey_.positions) ||
            largestTexture_ >= static_cast<std::int64_t>(survey_.textureTable.size())) {
            survey_.badIndex = true;
        }
        const auto reach = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(survey_.positions, std::numeric_limits<std::int32_t>::max()));
        survey_.creaseEdges =
            CreaseEdgeSet(collector_.takeCreaseEdges(survey_.sourceCount > 0), reach);
    }

private:
    void colours(std::string_view line, std::uint64_t offset) {
        const std::size_t chunks = colourChunkCount(line);
        survey_.colourChunks += chunks;
        markSecondPass(offset);
        if (spills_ == nullptr) return;
        for (std::size_t i = 0; i < chunks; ++i) {
            const char* chunk = line.data() + kColourChunkStart + i * kColourChunkSize;
            spills_->colours.append(SpilledChunk{chunkColour(chunk), chunkMask(chunk)});
        }
    }

    void face(std::string_view line, std::uint64_t offset) {
        collector_.beginFace(smoothingSource_ ? smoothing_.current : groups_.current);
        readMeshFace(line, positions_.count(), survey_.textureTable.size(), face_,
                     [this](std::int32_t vertex) { collector_.addCorner(vertex); });
        // A texture index is checked even on a line without a corner ("f /5").
        survey_.badIndex = survey_.badIndex || face_.badIndex;
        largestVertex_ = std::max(largestVertex_, face_.largestVertex);
        largestTexture_ = std::max(largestTexture_, face_.largestTexture);
        if (face_.cornerCount == 0) return;  // no corner read: no face, nothing toggled
        collector_.endFace();
        ++survey_.faces;
        if (face_.textureCount > 0) ++survey_.texturedFaces;
        markSecondPass(offset);
        if (spills_ != nullptr) {
            spills_->faces.append(
                SpilledFace{face_.corners, face_.textures, groups_.value(), smoothing_.value()});
        }
    }

    // The line at `offset` is one the second pass reads.
    void markSecondPass(std::uint64_t offset) {
        if (!survey_.hasFacesOrColours) {
            survey_.hasFacesOrColours = true;
            survey_.firstOffset = offset;
            survey_.positionsBefore = positions_.count();
            survey_.texturesBefore = survey_.textureTable.size();
            survey_.groupBefore = groups_.current;
            survey_.smoothingBefore = smoothing_.current;
        }
        survey_.lastOffset = offset;
    }

    bool smoothingSource_;
    BlockStream& positions_;
    MeshSpills* spills_;
    MeshSurvey& survey_;
    GroupState groups_;
    GroupState smoothing_;
    CreaseCollector collector_;
    MeshFace face_;
    std::int64_t largestVertex_ = -1;
    std::int64_t largestTexture_ = -1;
};

}  // namespace

void surveyObjMesh(LineReader& obj, bool smoothingSource, BlockStream& positions,
                   MeshSpills* spills, MeshSurvey& survey) {
    Surveyor surveyor(smoothingSource, positions, spills, survey);
    std::string_view line;
    while (obj.next(line)) {
        if (!line.empty()) surveyor.line(line, obj.lineOffset());
    }
    if (obj.failed()) return;
    surveyor.finish();
}

}  // namespace tessaryn
