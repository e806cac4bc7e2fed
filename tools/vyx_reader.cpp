#include "tools/vyx_reader.h"

#include "vyx/vyx_format.h"

namespace tessaryn::vyx {

namespace {

std::int32_t int32At(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return static_cast<std::int32_t>(value);
}

// Every face corner is -1 or names a vertex of the vertex block.
std::string checkFaceCorners(const File& file) {
    const Block* vertices = file.find(kVertexTag);
    const Block* faces = file.find(kFaceTag);
    if (vertices == nullptr || faces == nullptr) return "";
    for (std::size_t at = 0; at + 4 <= faces->payload.size(); at += 4) {
        std::int32_t corner = int32At(faces->payload, at);
        if (corner < -1 || corner >= vertices->count) {
            return "face " + std::to_string(at / 16) + " names vertex " + std::to_string(corner) +
                   " of " + std::to_string(vertices->count);
        }
    }
    return "";
}

}  // namespace

std::string parse(std::string_view bytes, File& file) {
    file.blocks.clear();
    if (bytes.size() < kFileHeaderSize) return "shorter than the 32-byte header";
    if (bytes.substr(0, kMagic.size()) != kMagic) return "does not start with \"Vyxb 1.0\"";
    std::size_t at = kFileHeaderSize;
    for (;;) {
        if (bytes.size() - at < kBlockHeaderSize) {
            return "truncated at byte " + std::to_string(at) + ": no end marker";
        }
        Block block;
        block.tag = int32At(bytes, at);
        block.size = int32At(bytes, at + 4);
        block.count = int32At(bytes, at + 8);
        if (block.tag == 0 && block.size == 0 && block.count == 0) {
            at += kBlockHeaderSize;
            break;
        }
        const std::string where =
            "block " + std::to_string(block.tag) + " at byte " + std::to_string(at);
        if (block.size < static_cast<std::int32_t>(kBlockHeaderSize) || block.count < 0) {
            return where + ": impossible size or count";
        }
        if (static_cast<std::size_t>(block.size) > bytes.size() - at) {
            return where + ": runs past the end of the file";
        }
        block.payload = bytes.substr(at + kBlockHeaderSize,
                                     static_cast<std::size_t>(block.size) - kBlockHeaderSize);
        const std::size_t element = elementSize(block.tag);
        // Divided, not multiplied: count * element can wrap around a 32-bit size_t.
        if (element != 0 &&
            (block.payload.size() % element != 0 ||
             block.payload.size() / element != static_cast<std::size_t>(block.count))) {
            return where + ": " + std::to_string(block.payload.size()) + " payload bytes for " +
                   std::to_string(block.count) + " elements";
        }
        file.blocks.push_back(block);
        at += static_cast<std::size_t>(block.size);
    }
    if (at != bytes.size())
        return std::to_string(bytes.size() - at) + " bytes after the end marker";
    return checkFaceCorners(file);
}

}  // namespace tessaryn::vyx
