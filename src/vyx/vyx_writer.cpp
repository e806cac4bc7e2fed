#include "vyx/vyx_writer.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>

#include "base/line_reader.h"
#include "base/little_endian.h"
#include "base/safe_writer.h"
#include "vyx/block_stream.h"
#include "vyx/mesh_blocks.h"
#include "vyx/mesh_survey.h"
#include "vyx/vyx_format.h"

// Records are written as they lie in memory: the file is little-endian, and so is every
// processor the library builds for (little_endian.h refuses the others).

namespace tessaryn {

namespace {

// Where each block of the file starts (its header), from the survey's counts; a block
// the file leaves out has no start. The vertex block's start is fixed.
struct VyxLayout {
    static constexpr std::uint64_t kVertices = vyx::kFileHeaderSize;
    std::uint64_t faces = 0;
    std::uint64_t textures = 0;
    std::uint64_t masks = 0;
    std::uint64_t colours = 0;
    std::uint64_t faceGroups = 0;
    std::uint64_t creaseFlags = 0;
    std::uint64_t endMarker = 0;
    bool hasTextures = false;
    bool hasMasksAndColours = false;  // one of each for every vertex
    bool hasFaceBlocks = false;       // face groups and crease flags: one per face

    explicit VyxLayout(const MeshSurvey& survey) {
        hasTextures = survey.texturedFaces > 0;
        hasMasksAndColours = survey.colourChunks > 0 && survey.colourChunks == survey.positions;
        hasFaceBlocks = survey.faces > 0;
        // Each block starts where the one before it ends; a block left out takes no room.
        const struct {
            std::uint64_t* start;
            std::uint64_t count;
            std::int32_t tag;
            bool written;
        } blocks[] = {
            {&faces, survey.faces, vyx::kFaceTag, true},
            {&textures, survey.texturedFaces, vyx::kTextureTag, hasTextures},
            {&masks, survey.positions, vyx::kMaskTag, hasMasksAndColours},
            {&colours, survey.positions, vyx::kColourTag, hasMasksAndColours},
            {&faceGroups, survey.faces, vyx::kFaceGroupTag, hasFaceBlocks},
            {&creaseFlags, survey.faces, vyx::kCreaseTag, hasFaceBlocks},
        };
        std::uint64_t at = after(kVertices, survey.positions, vyx::kVertexTag, true);
        for (const auto& block : blocks) {
            *block.start = at;
            at = after(at, block.count, block.tag, block.written);
        }
        endMarker = at;
    }

    static std::uint64_t after(std::uint64_t start, std::uint64_t count, std::int32_t tag,
                               bool written) {
        return written ? start + vyx::kBlockHeaderSize + count * vyx::elementSize(tag) : start;
    }
};

// Block sizes and counts are int32 in the file; a mesh too large for them cannot be
// written as Vyx.
bool fitsTheFormat(const MeshSurvey& survey) {
    constexpr std::uint64_t kLargest =
        std::numeric_limits<std::int32_t>::max() - vyx::kBlockHeaderSize;
    return survey.positions <= kLargest / vyx::elementSize(vyx::kVertexTag) &&
           survey.faces <= kLargest / vyx::elementSize(vyx::kFaceTag) &&
           survey.texturedFaces <= kLargest / vyx::elementSize(vyx::kTextureTag);
}

void writeBlockHeader(SafeWriter& out, std::uint64_t at, std::int32_t tag, std::uint64_t count) {
    const std::int32_t header[4] = {
        tag, static_cast<std::int32_t>(count * vyx::elementSize(tag) + vyx::kBlockHeaderSize),
        static_cast<std::int32_t>(count), 0};
    out.writeAt(at, std::string_view(reinterpret_cast<const char*>(header), sizeof header));
}

// The file header, every block's header and the end marker.
void writeFrame(SafeWriter& out, const MeshSurvey& survey, const VyxLayout& layout) {
    char header[vyx::kFileHeaderSize] = {};
    std::memcpy(header, vyx::kMagic.data(), vyx::kMagic.size());
    out.writeAt(0, std::string_view(header, sizeof header));
    writeBlockHeader(out, VyxLayout::kVertices, vyx::kVertexTag, survey.positions);
    writeBlockHeader(out, layout.faces, vyx::kFaceTag, survey.faces);
    if (layout.hasTextures)
        writeBlockHeader(out, layout.textures, vyx::kTextureTag, survey.texturedFaces);
    if (layout.hasMasksAndColours) {
        writeBlockHeader(out, layout.masks, vyx::kMaskTag, survey.positions);
        writeBlockHeader(out, layout.colours, vyx::kColourTag, survey.positions);
    }
    if (layout.hasFaceBlocks) {
        writeBlockHeader(out, layout.faceGroups, vyx::kFaceGroupTag, survey.faces);
        writeBlockHeader(out, layout.creaseFlags, vyx::kCreaseTag, survey.faces);
    }
    const char endMarker[vyx::kBlockHeaderSize] = {};
    out.writeAt(layout.endMarker, std::string_view(endMarker, sizeof endMarker));
}

// What identifies the contents of a file between two reads: its size and the time it
// was last written.
struct FileStamp {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type written;

    explicit FileStamp(const char* path) {
        std::error_code unknown;
        const std::uintmax_t bytes = std::filesystem::file_size(path, unknown);
        if (!unknown) size = bytes;
        written = std::filesystem::last_write_time(path, unknown);
    }
    bool operator==(const FileStamp& other) const {
        return size == other.size && written == other.written;
    }
};

// Every block after the vertices: copied back from the spills when the first read could
// make them, else from a second read of the OBJ. Unreadable when the OBJ cannot be read
// again or has changed since the first read.
Outcome writeMeshBlocks(const char* objPath, const FileStamp& stamp, MeshSpills* spills,
                        SafeWriter& out, const MeshSurvey& survey, const VyxLayout& layout) {
    if (!survey.hasFacesOrColours) return Outcome::Done;
    auto payload = [](std::uint64_t blockStart) { return blockStart + vyx::kBlockHeaderSize; };
    SafeWriter* const colourOut = layout.hasMasksAndColours ? &out : nullptr;
    BlockStream faces(&out, payload(layout.faces));
    BlockStream textures(&out, payload(layout.textures));
    BlockStream masks(colourOut, payload(layout.masks));
    BlockStream colours(colourOut, payload(layout.colours));
    BlockStream faceGroups(&out, payload(layout.faceGroups));
    BlockStream creaseFlags(&out, payload(layout.creaseFlags));
    MeshBlockStreams blocks{faces, textures, masks, colours, faceGroups, creaseFlags};
    if (spills != nullptr && spills->faces.rewind() && spills->colours.rewind()) {
        if (!copyMeshBlocks(survey, *spills, blocks)) return Outcome::Unreadable;
    } else {
        // A pipe or a device gives its lines once: a second open would wait for a writer
        // that never comes, or read other lines.
        std::error_code unknown;
        if (!std::filesystem::is_regular_file(objPath, unknown)) return Outcome::Unreadable;
        if (!(FileStamp(objPath) == stamp)) return Outcome::Unreadable;
        LineReader obj;
        if (!obj.open(objPath, survey.firstOffset)) return Outcome::Unreadable;
        const bool complete = fillMeshBlocks(obj, survey, blocks);
        if (obj.failed() || !complete || !(FileStamp(objPath) == stamp)) return Outcome::Unreadable;
    }
    for (BlockStream* block : {&faces, &textures, &masks, &colours, &faceGroups, &creaseFlags})
        block->flush();
    return Outcome::Done;
}

// An OBJ of this size or more has a texture table of megabytes: it takes huge pages
// from its first chunk on.
constexpr std::uintmax_t kLargeObjBytes = std::uintmax_t{32} << 20;

}  // namespace

WorkResult ConvertObjToVyx(const char* objPath, const char* vyxPath, bool smoothingSource) {
    const FileStamp stamp(objPath);
    LineReader obj;
    if (!obj.open(objPath)) return Outcome::Unreadable;
    MeshSurvey survey;
    if (stamp.size >= kLargeObjBytes) survey.textureTable.expectLarge();

    // The output is opened first so that the vertices go to it during the first read;
    // it is an unnamed file until the end, and a refusal below leaves nothing. When it
    // cannot be opened the OBJ is still read whole: a read failure and a bad index
    // answer before an unwritable destination does.
    SafeWriter out;
    const bool writable = out.open(vyxPath);
    BlockStream positions(writable ? &out : nullptr, VyxLayout::kVertices + vyx::kBlockHeaderSize);
    MeshSpills spills;
    const bool spilling = writable && spills.faces.open() && spills.colours.open();
    surveyObjMesh(obj, smoothingSource, positions, spilling ? &spills : nullptr, survey);
    if (obj.failed()) return Outcome::Unreadable;
    obj.close();
    if (survey.badIndex) return Outcome::BadIndex;
    if (!writable || !fitsTheFormat(survey)) return Outcome::VyxUnwritable;
    positions.flush();

    const VyxLayout layout(survey);
    writeFrame(out, survey, layout);
    const Outcome blocks =
        writeMeshBlocks(objPath, stamp, spilling ? &spills : nullptr, out, survey, layout);
    if (blocks != Outcome::Done) return blocks;
    if (!out.commit()) return Outcome::VyxUnwritable;
    return {Outcome::Done, survey.sourceCount};
}

}  // namespace tessaryn
