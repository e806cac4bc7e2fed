// `tessaryn dump`: a Vyx file shown for a person, block by block.
#include "tools/vyx_dump.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "vyx/vyx_format.h"
#include "tools/json_object.h"
#include "tools/vyx_reader.h"

namespace {

using namespace tessaryn;

constexpr std::size_t kShown = 4;  // entries shown per block

std::string entry(const vyx::Block& block, std::size_t i) {
    char text[128];
    const char* p = block.payload.data();
    auto f = [&](std::size_t at) {
        float v;
        std::memcpy(&v, p + at, 4);
        return static_cast<double>(v);
    };
    auto n = [&](std::size_t at) {
        std::int32_t v;
        std::memcpy(&v, p + at, 4);
        return v;
    };
    auto b = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(p[at]));
    };
    switch (block.tag) {
        case vyx::kVertexTag:
            std::snprintf(text, sizeof text, "%g %g %g", f(i * 12), f(i * 12 + 4), f(i * 12 + 8));
            break;
        case vyx::kFaceTag:
            std::snprintf(text, sizeof text, "%d %d %d %d", n(i * 16), n(i * 16 + 4), n(i * 16 + 8),
                          n(i * 16 + 12));
            break;
        case vyx::kTextureTag:
            std::snprintf(text, sizeof text, "(%g %g) (%g %g) (%g %g) (%g %g)", f(i * 32),
                          f(i * 32 + 4), f(i * 32 + 8), f(i * 32 + 12), f(i * 32 + 16),
                          f(i * 32 + 20), f(i * 32 + 24), f(i * 32 + 28));
            break;
        case vyx::kMaskTag:
            std::snprintf(text, sizeof text, "0x%02x", b(i));
            break;
        case vyx::kColourTag:
            std::snprintf(text, sizeof text, "blue 0x%02x green 0x%02x red 0x%02x", b(i * 4),
                          b(i * 4 + 1), b(i * 4 + 2));
            break;
        case vyx::kFaceGroupTag:
            std::snprintf(text, sizeof text, "%u", b(i * 2) | (b(i * 2 + 1) << 8));
            break;
        case vyx::kCreaseTag:
            std::snprintf(text, sizeof text, "0x%02x", b(i));
            break;
        default:
            return "";
    }
    return text;
}

}  // namespace

int dumpVyx(const std::string& path, tool::Reply& reply) {
    reply.facts().add("file", path);
    std::ifstream in(path, std::ios::binary);
    if (!in) return reply.refused("unreadable", "cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    vyx::File file;
    const std::string problem = vyx::parse(data, file);
    reply.show(path + ": Vyx file of " + std::to_string(data.size()) + " bytes");
    std::string blocks = "[";
    char line[160];
    for (const vyx::Block& block : file.blocks) {
        std::snprintf(line, sizeof line, "  %-6d %-16s %10d bytes %10d entries", block.tag,
                      vyx::tagName(block.tag), block.size, block.count);
        reply.show(line);
        if (blocks.size() > 1) blocks += ", ";
        blocks += tool::JsonObject()
                      .add("tag", static_cast<std::int64_t>(block.tag))
                      .add("name", vyx::tagName(block.tag))
                      .add("bytes", static_cast<std::int64_t>(block.size))
                      .add("entries", static_cast<std::int64_t>(block.count))
                      .text();
        const std::size_t known =
            vyx::elementSize(block.tag) == 0 ? 0 : static_cast<std::size_t>(block.count);
        for (std::size_t i = 0; i < known && i < kShown; ++i) {
            reply.show("         " + std::to_string(i) + ": " + entry(block, i));
        }
        if (known > kShown) reply.show("         ...");
    }
    reply.facts().add("bytes", static_cast<std::int64_t>(data.size()));
    reply.facts().addJson("blocks", blocks + "]");
    if (!problem.empty())
        return reply.refused("malformed", path + " is not a well-formed Vyx file: " + problem);
    reply.show("  end marker");
    return 0;
}
