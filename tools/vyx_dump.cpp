// `tessaryn dump`: a Vyx file shown for a person, block by block.
#include "tools/vyx_dump.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "vyx/vyx_format.h"
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

int dumpVyx(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    vyx::File file;
    const std::string problem = vyx::parse(data, file);
    std::printf("%s: Vyx file of %zu bytes\n", path.c_str(), data.size());
    for (const vyx::Block& block : file.blocks) {
        std::printf("  %-6d %-16s %10d bytes %10d entries\n", block.tag, vyx::tagName(block.tag),
                    block.size, block.count);
        const std::size_t known =
            vyx::elementSize(block.tag) == 0 ? 0 : static_cast<std::size_t>(block.count);
        for (std::size_t i = 0; i < known && i < kShown; ++i) {
            std::printf("         %zu: %s\n", i, entry(block, i).c_str());
        }
        if (known > kShown) std::printf("         ...\n");
    }
    if (!problem.empty()) {
        std::fprintf(stderr, "%s is not a well-formed Vyx file: %s\n", path.c_str(),
                     problem.c_str());
        return 1;
    }
    std::printf("  end marker\n");
    return 0;
}
