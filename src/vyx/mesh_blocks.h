// The second pass of the Vyx conversion: faces, texture corners, masks, colours, face
// groups and crease flags, each written to its own block. It copies back what the first
// read set aside, or, where that could not be done, reads the part of the OBJ that holds
// faces and colours once more.
#pragma once

#include "base/line_reader.h"
#include "vyx/block_stream.h"
#include "vyx/mesh_survey.h"

namespace tessaryn {

// The blocks the second pass fills. A stream without a writer only counts: the blocks
// the file leaves out (masks and colours that do not match the vertices).
struct MeshBlockStreams {
    BlockStream& faces;
    BlockStream& textures;
    BlockStream& masks;
    BlockStream& colours;
    BlockStream& faceGroups;
    BlockStream& creaseFlags;
};

// From the records the first read set aside, rewound. False when they cannot be read
// back whole.
bool copyMeshBlocks(const MeshSurvey& survey, MeshSpills& spills, MeshBlockStreams& blocks);

// Reads `obj`, opened at survey.firstOffset, up to and including the line at
// survey.lastOffset. False when the lines differ from what the survey read (the file
// changed in between); the caller checks obj.failed().
bool fillMeshBlocks(LineReader& obj, const MeshSurvey& survey, MeshBlockStreams& blocks);

}  // namespace tessaryn
