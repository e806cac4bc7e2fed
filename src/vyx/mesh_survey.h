// The first pass of the Vyx conversion: one read of the whole OBJ that learns every
// count the file's layout needs, finds the crease edges and keeps the texture table,
// the one part of the mesh that faces address at random. Vertex positions go straight
// to the vertex block as they are read, faces and colour chunks to the spills; every
// other block is written by the second pass (mesh_blocks.h) once the layout is known.
#pragma once

#include <cstdint>

#include "base/chunked_array.h"
#include "base/line_reader.h"
#include "base/name_table.h"
#include "crease/crease_edge_set.h"
#include "vyx/block_stream.h"
#include "vyx/spill_file.h"
#include "vyx/vyx_records.h"

namespace tessaryn {

struct MeshSurvey {
    std::uint64_t positions = 0;
    std::uint64_t faces = 0;
    std::uint64_t texturedFaces = 0;  // faces with at least one texture index
    std::uint64_t colourChunks = 0;   // one mask and one colour each
    ChunkedArray<TexturePoint> textureTable;
    NameTable groupNames;          // numbered from 0: a name's id is its number + 1
    NameTable smoothingNames;      // likewise
    std::int32_t sourceCount = 0;  // names of the crease source
    bool badIndex = false;         // a face names a vertex or texture entry the file lacks
    CreaseEdgeSet creaseEdges;

    // The second pass: from the first face or colour line to the last, and what the
    // lines before its first one set.
    bool hasFacesOrColours = false;
    std::uint64_t firstOffset = 0;
    std::uint64_t lastOffset = 0;
    std::uint64_t positionsBefore = 0;
    std::uint64_t texturesBefore = 0;
    std::uint32_t groupBefore = 1;
    std::uint32_t smoothingBefore = 1;
};

// A face and a colour chunk as the first read sets them aside for the second.
struct SpilledFace {
    FaceCorners corners;
    FaceCorners textures;  // textures.corner[0] is kNoCorner for a face without texture indices
    std::uint16_t groupValue;
    std::uint16_t smoothingValue;
};
struct SpilledChunk {
    Colour colour;
    std::uint8_t mask;
};
struct MeshSpills {
    SpillFile faces;    // a SpilledFace per face
    SpillFile colours;  // a SpilledChunk per colour chunk
};

// Reads `obj` to its end; `smoothingSource` picks smoothing groups as the crease source,
// else groups. Each position goes to `positions`; with `spills`, each face and each
// colour chunk goes there too. The caller checks obj.failed().
void surveyObjMesh(LineReader& obj, bool smoothingSource, BlockStream& positions,
                   MeshSpills* spills, MeshSurvey& survey);

}  // namespace tessaryn
