#include "writers/crate_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <tuple>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support.h"
#include "writers/crate_compression.h"
#include "writers/crate_values.h"

namespace {

using namespace tessaryn::testkit;

// What the writer's bytes must be is checked by decoders written here, apart from the
// writer and as plainly as possible: a mistake would have to be made twice, the same way,
// to pass.

std::uint64_t le(const std::string& bytes, std::uint64_t at, int size) {
    if (at + static_cast<std::uint64_t>(size) > bytes.size())
        throw std::out_of_range("read past end");
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(at) + i]);
    return value;
}

// One LZ4 block; also tells where the last match started and how many literals end it,
// for the end rules.
struct Lz4Decoded {
    std::string bytes;
    std::size_t lastMatchStart = 0;  // in the output; 0 when there is no match
    std::size_t finalLiterals = 0;
    bool anyMatch = false;
};

Lz4Decoded decodeLz4(const std::string& block) {
    Lz4Decoded out;
    std::size_t at = 0;
    const auto byte = [&]() -> std::size_t {
        if (at >= block.size()) throw std::runtime_error("LZ4 block cut short");
        return static_cast<unsigned char>(block[at++]);
    };
    const auto length = [&](std::size_t nibble) {
        if (nibble < 15) return nibble;
        for (std::size_t more = 255; more == 255;) {
            more = byte();
            nibble += more;
        }
        return nibble;
    };
    for (;;) {
        const std::size_t token = byte();
        const std::size_t literals = length(token >> 4);
        if (literals > block.size() - at) throw std::runtime_error("LZ4 literals past end");
        out.bytes.append(block, at, literals);
        at += literals;
        if (at == block.size()) {
            out.finalLiterals = literals;
            return out;
        }
        const std::size_t offset = byte() | (byte() << 8);
        if (offset == 0 || offset > out.bytes.size()) throw std::runtime_error("LZ4 bad offset");
        const std::size_t match = length(token & 15) + 4;
        out.lastMatchStart = out.bytes.size();
        out.anyMatch = true;
        for (std::size_t i = 0; i < match; ++i) out.bytes += out.bytes[out.bytes.size() - offset];
    }
}

// A blob of chunk count 0 and one block.
std::string decodeBlob(const std::string& blob) {
    if (blob.empty() || blob[0] != '\0') throw std::runtime_error("blob with chunks");
    return decodeLz4(blob.substr(1)).bytes;
}

// A stored delta narrower than 32 bits, widened modulo 2^32 with its sign.
std::uint32_t signExtended(std::uint64_t stored, int bits) {
    const auto value = static_cast<std::uint32_t>(stored);
    return ((value >> (bits - 1)) & 1) != 0 ? value - (std::uint32_t{1} << bits) : value;
}

std::vector<std::uint32_t> decodeIntegers(const std::string& encoded, std::size_t count) {
    std::vector<std::uint32_t> values;
    if (count == 0) return values;
    const auto common = static_cast<std::uint32_t>(le(encoded, 0, 4));
    std::uint64_t data = 4 + (2 * count + 7) / 8;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned code =
            (static_cast<unsigned char>(encoded.at(4 + i / 4)) >> (2 * (i % 4))) & 3;
        std::uint32_t delta = common;
        if (code == 1) delta = signExtended(le(encoded, data, 1), 8);
        if (code == 2) delta = signExtended(le(encoded, data, 2), 16);
        if (code == 3) delta = static_cast<std::uint32_t>(le(encoded, data, 4));
        data += code == 3 ? 4 : code;
        previous += delta;
        values.push_back(previous);
    }
    if (data != encoded.size()) throw std::runtime_error("encoded integers with bytes left over");
    return values;
}

// A compressed integer list at `at`, which it moves past.
std::vector<std::uint32_t> readIntList(const std::string& file, std::uint64_t& at,
                                       std::size_t count) {
    const std::uint64_t size = le(file, at, 8);
    const std::string blob =
        file.substr(static_cast<std::size_t>(at + 8), static_cast<std::size_t>(size));
    at += 8 + size;
    const std::string encoded = decodeBlob(blob);
    EXPECT_LE(encoded.size(), count == 0 ? 0 : 4 + (2 * count + 7) / 8 + 4 * count);
    return decodeIntegers(encoded, count);
}

// The layer as a reader sees it: tokens, and every spec by its path's text.
struct Spec {
    std::uint32_t type = 0;
    std::map<std::string, std::uint64_t> fields;
};

struct Layer {
    int minor = 0;
    std::vector<std::string> tokens;
    std::vector<std::uint32_t> strings;
    std::map<std::string, Spec> specs;
    std::vector<std::string> specOrder;
};

std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> tableOfContents(
    const std::string& file) {
    const std::uint64_t toc = le(file, 16, 8);
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> sections;
    const std::uint64_t count = le(file, toc, 8);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = toc + 8 + 32 * i;
        const std::string name = file.substr(static_cast<std::size_t>(at), 16);
        sections[name.substr(0, name.find('\0'))] = {le(file, at + 16, 8), le(file, at + 24, 8)};
    }
    return sections;
}

std::string joinPath(const std::string& parent, const std::string& element, bool property) {
    if (property) return parent + "." + element;
    if (element[0] == '{' || parent.back() == '}') return parent + element;
    return parent == "/" ? "/" + element : parent + "/" + element;
}

Layer readLayer(const std::string& file) {
    Layer layer;
    layer.minor = static_cast<unsigned char>(file.at(9));
    auto toc = tableOfContents(file);
    std::uint64_t at = toc.at("TOKENS").first;
    const std::uint64_t numTokens = le(file, at, 8);
    const std::string text = decodeBlob(file.substr(
        static_cast<std::size_t>(at + 24), static_cast<std::size_t>(le(file, at + 16, 8))));
    EXPECT_EQ(text.size(), le(file, at + 8, 8));
    for (std::size_t start = 0; start < text.size(); start = text.find('\0', start) + 1)
        layer.tokens.push_back(text.substr(start, text.find('\0', start) - start));
    EXPECT_EQ(layer.tokens.size(), numTokens);

    at = toc.at("STRINGS").first;
    for (std::uint64_t i = 0, n = le(file, at, 8); i < n; ++i)
        layer.strings.push_back(static_cast<std::uint32_t>(le(file, at + 8 + 4 * i, 4)));

    at = toc.at("FIELDS").first;
    const std::uint64_t numFields = le(file, at, 8);
    at += 8;
    const std::vector<std::uint32_t> fieldNames = readIntList(file, at, numFields);
    const std::string reps = decodeBlob(
        file.substr(static_cast<std::size_t>(at + 8), static_cast<std::size_t>(le(file, at, 8))));
    EXPECT_EQ(reps.size(), 8 * numFields);

    at = toc.at("FIELDSETS").first;
    const std::uint64_t numSets = le(file, at, 8);
    at += 8;
    const std::vector<std::uint32_t> fieldSets = readIntList(file, at, numSets);
    EXPECT_EQ(fieldSets.back(), 0xFFFFFFFFu);

    at = toc.at("PATHS").first;
    std::vector<std::string> paths(le(file, at, 8));
    const std::uint64_t numEncoded = le(file, at + 8, 8);
    at += 16;
    const auto indexes = readIntList(file, at, numEncoded);
    const auto elements = readIntList(file, at, numEncoded);
    const auto jumps = readIntList(file, at, numEncoded);
    std::vector<std::pair<std::size_t, std::string>> siblings;  // node, parent's path
    std::size_t k = 0;
    std::string parent;
    for (std::size_t visited = 0; visited < numEncoded; ++visited) {
        const auto element = static_cast<std::int32_t>(elements.at(k));
        const std::string path =
            k == 0 ? "/" : joinPath(parent, layer.tokens.at(std::abs(element)), element < 0);
        EXPECT_TRUE(paths.at(indexes.at(k)).empty()) << path;
        paths.at(indexes.at(k)) = path;
        const auto jump = static_cast<std::int32_t>(jumps.at(k));
        if (jump > 0) siblings.emplace_back(k + jump, parent);
        if (jump > 0 || jump == -1) parent = path;
        if (jump >= -1) {
            ++k;
        } else if (!siblings.empty()) {
            std::tie(k, parent) = siblings.back();
            siblings.pop_back();
        } else {
            EXPECT_EQ(visited + 1, numEncoded) << "nodes left unvisited";
            break;
        }
    }

    at = toc.at("SPECS").first;
    const std::uint64_t numSpecs = le(file, at, 8);
    at += 8;
    const auto specPaths = readIntList(file, at, numSpecs);
    const auto specSets = readIntList(file, at, numSpecs);
    const auto specTypes = readIntList(file, at, numSpecs);
    for (std::size_t i = 0; i < numSpecs; ++i) {
        Spec spec;
        spec.type = specTypes[i];
        for (std::size_t f = specSets[i]; fieldSets.at(f) != 0xFFFFFFFFu; ++f)
            spec.fields[layer.tokens.at(fieldNames.at(fieldSets[f]))] =
                le(reps, std::uint64_t{8} * fieldSets[f], 8);
        const std::string& path = paths.at(specPaths[i]);
        EXPECT_EQ(layer.specs.count(path), 0u) << path;
        layer.specs[path] = spec;
        layer.specOrder.push_back(path);
    }
    return layer;
}

std::uint32_t typeOf(std::uint64_t rep) {
    return static_cast<std::uint32_t>((rep >> 48) & 0xFF);
}
std::uint64_t payloadOf(std::uint64_t rep) {
    return rep & kPayloadMask;
}

std::string tokenValue(const Layer& layer, std::uint64_t rep) {
    EXPECT_EQ(rep & (kArrayBit | kInlinedBit), kInlinedBit);
    EXPECT_EQ(typeOf(rep), static_cast<std::uint32_t>(CrateType::Token));
    return layer.tokens.at(static_cast<std::size_t>(payloadOf(rep)));
}

std::vector<std::string> tokenVector(const Layer& layer, const std::string& file,
                                     std::uint64_t rep) {
    EXPECT_EQ(typeOf(rep), static_cast<std::uint32_t>(CrateType::TokenVector));
    std::vector<std::string> tokens;
    const std::uint64_t at = payloadOf(rep);
    for (std::uint64_t i = 0, n = le(file, at, 8); i < n; ++i)
        tokens.push_back(layer.tokens.at(le(file, at + 8 + 4 * i, 4)));
    return tokens;
}

std::string stringRef(const Layer& layer, const std::string& file, std::uint64_t at) {
    return layer.tokens.at(layer.strings.at(le(file, at, 4)));
}

// Any array's 32-bit elements: ints, floats' bits, or points' coordinates' bits.
std::vector<std::uint32_t> arrayWords(const Layer& layer, const std::string& file,
                                      std::uint64_t rep) {
    EXPECT_NE(rep & kArrayBit, 0u);
    std::uint64_t at = payloadOf(rep);
    if (at == 0) return {};
    std::uint64_t count = 0;
    if (layer.minor >= 7) {
        count = le(file, at, 8);
        at += 8;
    } else {
        EXPECT_EQ(le(file, at, 4), 1u);  // the rank
        count = le(file, at + 4, 4);
        at += 8;
    }
    if ((rep & kCompressedBit) != 0) return readIntList(file, at, count);
    EXPECT_EQ(payloadOf(rep) % 8, 0u) << "raw arrays start aligned";
    if (typeOf(rep) == static_cast<std::uint32_t>(CrateType::Vec3f)) count *= 3;
    std::vector<std::uint32_t> words;
    for (std::uint64_t i = 0; i < count; ++i)
        words.push_back(static_cast<std::uint32_t>(le(file, at + 4 * i, 4)));
    return words;
}

template <typename T>
std::vector<std::uint32_t> asWords(const std::vector<T>& values) {
    std::vector<std::uint32_t> words(values.size());
    std::memcpy(words.data(), values.data(), 4 * values.size());
    return words;
}

}  // namespace

namespace {

std::string hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

std::string lz4Block(const std::string& input) {
    std::string block;
    appendLz4Block(block, input.data(), input.size());
    return block;
}

std::string pseudoRandom(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return bytes;
}

std::string periodic(const std::string& period, std::size_t size) {
    std::string bytes;
    while (bytes.size() < size) bytes += period;
    return bytes.substr(0, size);
}

TEST(CrateLz4, TheDecoderHereReadsAKnownBlock) {
    const std::string block(
        "\x3A"
        "abc"
        "\x03\x00"
        "\x50"
        "12345",
        12);
    EXPECT_EQ(decodeLz4(block).bytes, "abcabcabcabcabcab12345");
}

// Every block decodes back, keeps LZ4's end rules, and shrinks what repeats.
TEST(CrateLz4, BlocksDecodeBackAndKeepTheEndRules) {
    const struct {
        const char* name;
        std::string input;
        bool shrinks;
    } rows[] = {
        {"empty", "", false},
        {"one byte", "a", false},
        {"twelve repeated", std::string(12, 'x'), false},
        {"thirteen repeated", std::string(13, 'x'), false},
        {"twenty repeated", std::string(20, 'x'), false},
        {"one byte run", std::string(1000, 'x'), true},
        {"long literal run", pseudoRandom(70000, 7), false},
        {"short period", periodic("abc", 5000), true},
        {"period past the offset limit", periodic(pseudoRandom(70000, 3), 150000), false},
        {"period just inside it", periodic(pseudoRandom(65535, 5), 140000), true},
        {"mixed", pseudoRandom(100, 1) + std::string(1000, '\0') + pseudoRandom(20, 2), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string block = lz4Block(row.input);
        const Lz4Decoded decoded = decodeLz4(block);
        EXPECT_EQ(decoded.bytes, row.input);
        if (decoded.anyMatch) {
            EXPECT_LE(decoded.lastMatchStart + 12, row.input.size());
            EXPECT_GE(decoded.finalLiterals, 5u);
        }
        if (row.shrinks) {
            EXPECT_LT(block.size(), row.input.size() / 2);
        }
        EXPECT_LE(block.size(), row.input.size() + row.input.size() / 255 + 16);
    }
    EXPECT_EQ(hex(lz4Block("")), "00");
    EXPECT_EQ(hex(lz4Block("abc")), "30 61 62 63");
}

TEST(CrateIntegers, KnownValuesGiveKnownBytes) {
    const std::int32_t values[] = {5, 6, 7, 300, 300, 299};
    EXPECT_EQ(hex(encodeIntegers(values, 6)), "01 00 00 00 81 05 05 25 01 00 FF");
    EXPECT_EQ(encodeIntegers(values, 0), "");
}

TEST(CrateIntegers, RoundTripThroughTheDecoderHere) {
    std::vector<std::uint32_t> random(1001);
    unsigned seed = 9;
    for (std::uint32_t& v : random) v = seed = seed * 1103515245u + 12345u;
    const struct {
        const char* name;
        std::vector<std::uint32_t> values;
    } rows[] = {
        {"one", {42}},
        {"zero", {0}},
        {"extremes", {0x80000000u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0}},
        {"every width", {0, 127, 0xFFFFFF80u, 32767, 0xFFFF8000u, 100000, 7}},
        {"widths at their edges", {128, 0, 32768, 0, 0xFFFF7FFFu, 0xFFFFFF7Fu}},
        {"terminators", {3, 4, 0xFFFFFFFFu, 5, 0xFFFFFFFFu}},
        {"random", random},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string encoded = encodeIntegers(row.values.data(), row.values.size());
        EXPECT_EQ(decodeIntegers(encoded, row.values.size()), row.values);
        EXPECT_LE(encoded.size(), 4 + (2 * row.values.size() + 7) / 8 + 4 * row.values.size());
    }
}

TEST(CrateIntegers, ListCarriesItsBlobSize) {
    const std::int32_t values[] = {5, 6, 7, 300, 300, 299};
    std::string list = "??";
    appendCompressedIntList(list, values, 6);
    // The 11 coded bytes as one literal run: chunk count 0, token 0xB0.
    EXPECT_EQ(hex(list.substr(2)),
              "0D 00 00 00 00 00 00 00 00 B0 01 00 00 00 81 05 05 25 01 00 FF");
    std::string empty;
    appendCompressedIntList(empty, values, 0);
    EXPECT_EQ(hex(empty), "02 00 00 00 00 00 00 00 00 00");
}

// Arrays worked out by hand, byte for byte, with the reps that point at them.
TEST(CrateArrays, KnownArraysGiveKnownBytes) {
    std::string bytes = "123";  // so that the raw array is aligned past padding
    CrateOutput out(bytes);
    out.bytes("abc", 3);
    const std::int32_t small[] = {5, 6, -1};
    std::uint64_t rep = writeIntArray(out, CrateVersion{8}, small, 3, true);
    EXPECT_EQ(rep, kArrayBit | (std::uint64_t{3} << 48) | 8u);
    EXPECT_EQ(
        hex(bytes.substr(3)),
        "61 62 63 00 00 00 00 00 03 00 00 00 00 00 00 00 05 00 00 00 06 00 00 00 FF FF FF FF");

    bytes.clear();
    CrateOutput out4(bytes);
    out4.bytes("x", 1);
    rep = writeIntArray(out4, CrateVersion{4}, small, 2, false);
    EXPECT_EQ(rep, kArrayBit | (std::uint64_t{3} << 48) | 8u);
    EXPECT_EQ(hex(bytes.substr(8)), "01 00 00 00 02 00 00 00 05 00 00 00 06 00 00 00");

    // 0..15: deltas 0 then fifteen 1s; common 1, the first stored as an i8 of 0.
    std::int32_t ramp[16];
    for (int i = 0; i < 16; ++i) ramp[i] = i;
    bytes.clear();
    CrateOutput packed(bytes);
    packed.bytes("x", 1);
    rep = writeIntArray(packed, CrateVersion{8}, ramp, 16, true);
    EXPECT_EQ(rep, kArrayBit | kCompressedBit | (std::uint64_t{3} << 48) | 1u);
    EXPECT_EQ(hex(bytes.substr(1)),
              "10 00 00 00 00 00 00 00 0B 00 00 00 00 00 00 00 00 90 01 00 00 00 01 00 00 00 00");

    bytes.clear();
    CrateOutput none(bytes);
    EXPECT_EQ(writeIntArray(none, CrateVersion{8}, ramp, 0, true),
              kArrayBit | (std::uint64_t{3} << 48));
    EXPECT_EQ(writeIntArray(none, CrateVersion{4}, ramp, 16, true) & kCompressedBit, 0u)
        << "0.4.0 has no compressed arrays";

    const float point[] = {1.0f, -2.0f, 0.5f};
    bytes.clear();
    CrateOutput points(bytes);
    rep = writeVec3fArray(points, CrateVersion{7}, point, 1);
    EXPECT_EQ(rep, kArrayBit | (std::uint64_t{24} << 48));
    EXPECT_EQ(hex(bytes), "01 00 00 00 00 00 00 00 00 00 80 3F 00 00 00 C0 00 00 00 3F");
}

TEST(CrateValues, DoublesInlineWhenAFloatHoldsThem) {
    std::string bytes;
    CrateOutput out(bytes);
    EXPECT_EQ(writeDouble(out, 0.5), kInlinedBit | (std::uint64_t{9} << 48) | 0x3F000000u);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(writeDouble(out, 0.01), std::uint64_t{9} << 48);
    EXPECT_EQ(hex(bytes), "7B 14 AE 47 E1 7A 84 3F");
}

// A quad grid of side x side quads, its creases along the first row of edges.
CrateMeshSpec gridMesh(const std::string& name, int side, bool compress) {
    CrateMeshSpec mesh;
    mesh.name = name;
    for (int j = 0; j <= side; ++j) {
        for (int i = 0; i <= side; ++i) {
            mesh.points.insert(mesh.points.end(), {float(i) * 0.25f, float(j) * -1.5f, 0.125f});
        }
    }
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const int v = j * (side + 1) + i;
            mesh.faceVertexCounts.push_back(4);
            mesh.faceVertexIndices.insert(mesh.faceVertexIndices.end(),
                                          {v, v + 1, v + side + 2, v + side + 1});
        }
    }
    for (int i = 0; i <= side; ++i) mesh.creaseIndices.push_back(i);
    mesh.creaseLengths = {side + 1};
    mesh.creaseSharpnesses = {2.5f};
    mesh.compressIntArrays = compress;
    return mesh;
}

CrateLayerSpec fullLayer(std::uint8_t minor) {
    CrateLayerSpec layer;
    layer.minorVersion = minor;
    layer.defaultPrim = "root";
    layer.upAxis = "Z";
    layer.metersPerUnit = 0.01;
    layer.rootName = "root";
    layer.meshes.push_back(gridMesh("packed", 6, true));
    layer.meshes.back().subdivisionScheme = "none";
    layer.meshes.push_back(gridMesh("plain", 3, false));
    layer.meshes.back().creaseLengths.clear();
    CrateVariantSpec variant;
    variant.meshes.push_back(gridMesh("mesh", 2, true));
    layer.variant = variant;
    return layer;
}

std::uint64_t fieldOf(const Layer& layer, const std::string& path, const std::string& name) {
    const auto spec = layer.specs.find(path);
    if (spec == layer.specs.end()) throw std::runtime_error("no spec " + path);
    const auto field = spec->second.fields.find(name);
    if (field == spec->second.fields.end())
        throw std::runtime_error("no field " + path + " " + name);
    return field->second;
}

TEST(CrateLayer, BootstrapAndTableOfContents) {
    for (std::uint8_t minor : {4, 7, 8}) {
        SCOPED_TRACE(int(minor));
        const std::string file = crateLayerBytes(fullLayer(minor));
        ASSERT_GE(file.size(), 88u);
        EXPECT_EQ(file.substr(0, 8), "PXR-USDC");
        EXPECT_EQ(hex(file.substr(8, 8)), "00 0" + std::to_string(minor) + " 00 00 00 00 00 00");
        EXPECT_EQ(file.substr(24, 64), std::string(64, '\0'));
        const std::uint64_t toc = le(file, 16, 8);
        ASSERT_GE(toc, 88u);
        ASSERT_EQ(le(file, toc, 8), 6u);
        EXPECT_EQ(toc + 8 + std::uint64_t{6} * 32, file.size())
            << "the table of contents ends the file";
        const char* names[] = {"TOKENS", "STRINGS", "FIELDS", "FIELDSETS", "PATHS", "SPECS"};
        std::uint64_t end = 88;
        for (int i = 0; i < 6; ++i) {
            const std::uint64_t at = toc + 8 + 32 * static_cast<std::uint64_t>(i);
            std::string name(16, '\0');
            std::memcpy(name.data(), names[i], std::strlen(names[i]));
            EXPECT_EQ(file.substr(at, 16), name);
            EXPECT_GE(le(file, at + 16, 8), end) << names[i] << " overlaps what is before it";
            end = le(file, at + 16, 8) + le(file, at + 24, 8);
            EXPECT_LE(end, toc);
        }
        EXPECT_EQ(end, toc);
    }
}

// The whole layer read back by the decoders here: paths, spec types, metadata, arrays.
TEST(CrateLayer, ReadsBackAsWritten) {
    for (std::uint8_t minor : {4, 7, 8}) {
        SCOPED_TRACE(int(minor));
        const CrateLayerSpec spec = fullLayer(minor);
        const std::string file = crateLayerBytes(spec);
        const Layer layer = readLayer(file);
        EXPECT_EQ(layer.tokens.size(),
                  std::set<std::string>(layer.tokens.begin(), layer.tokens.end()).size());

        const std::vector<std::pair<std::string, std::uint32_t>> types = {
            {"/", 7},
            {"/root", 6},
            {"/root/packed", 6},
            {"/root/packed.creaseIndices", 1},
            {"/root/packed.subdivisionScheme", 1},
            {"/root/plain", 6},
            {"/root/plain.points", 1},
            {"/root{model=}", 11},
            {"/root{model=a}", 10},
            {"/root{model=a}geo", 6},
            {"/root{model=a}geo/mesh", 6},
            {"/root{model=a}geo/mesh.faceVertexIndices", 1},
        };
        for (const auto& [path, type] : types) {
            ASSERT_EQ(layer.specs.count(path), 1u) << path;
            EXPECT_EQ(layer.specs.at(path).type, type) << path;
        }
        EXPECT_EQ(layer.specs.size(), 2u + 8 + 4 + 3 + 7);
        EXPECT_EQ(layer.specs.count("/root/plain.creaseIndices"), 0u);

        EXPECT_EQ(tokenValue(layer, fieldOf(layer, "/", "defaultPrim")), "root");
        EXPECT_EQ(tokenValue(layer, fieldOf(layer, "/", "upAxis")), "Z");
        const std::uint64_t meters = fieldOf(layer, "/", "metersPerUnit");
        EXPECT_EQ(meters >> 48, 9u) << "a double, not inlined";
        EXPECT_EQ(le(file, payloadOf(meters), 8), 0x3F847AE147AE147Bu);
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/", "primChildren")),
                  std::vector<std::string>{"root"});
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/root", "primChildren")),
                  (std::vector<std::string>{"packed", "plain"}));
        EXPECT_EQ(fieldOf(layer, "/root", "specifier"), kInlinedBit | (std::uint64_t{42} << 48));
        EXPECT_EQ(tokenValue(layer, fieldOf(layer, "/root", "typeName")), "Xform");

        const std::uint64_t setNames = fieldOf(layer, "/root", "variantSetNames");
        EXPECT_EQ(typeOf(setNames), 33u);
        EXPECT_EQ(le(file, payloadOf(setNames), 1), 0x20u) << "prepended items only";
        EXPECT_EQ(le(file, payloadOf(setNames) + 1, 8), 1u);
        EXPECT_EQ(stringRef(layer, file, payloadOf(setNames) + 9), "model");
        const std::uint64_t selection = fieldOf(layer, "/root", "variantSelection");
        EXPECT_EQ(typeOf(selection), 45u);
        EXPECT_EQ(le(file, payloadOf(selection), 8), 1u);
        EXPECT_EQ(stringRef(layer, file, payloadOf(selection) + 8), "model");
        EXPECT_EQ(stringRef(layer, file, payloadOf(selection) + 12), "a");
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/root", "variantSetChildren")),
                  std::vector<std::string>{"model"});
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/root{model=}", "variantChildren")),
                  std::vector<std::string>{"a"});
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/root{model=a}", "primChildren")),
                  std::vector<std::string>{"geo"});
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/root{model=a}geo", "primChildren")),
                  std::vector<std::string>{"mesh"});

        const std::vector<std::pair<std::string, const CrateMeshSpec*>> meshes = {
            {"/root/packed", &spec.meshes[0]},
            {"/root/plain", &spec.meshes[1]},
            {"/root{model=a}geo/mesh", &spec.variant->meshes[0]},
        };
        for (const auto& entry : meshes) {
            const std::string& path = entry.first;
            const CrateMeshSpec* mesh = entry.second;
            SCOPED_TRACE(path);
            EXPECT_EQ(tokenValue(layer, fieldOf(layer, path, "typeName")), "Mesh");
            const auto words = [&](const char* name) {
                return arrayWords(layer, file, fieldOf(layer, path + "." + name, "default"));
            };
            EXPECT_EQ(words("points"), asWords(mesh->points));
            EXPECT_EQ(words("faceVertexCounts"), asWords(mesh->faceVertexCounts));
            EXPECT_EQ(words("faceVertexIndices"), asWords(mesh->faceVertexIndices));
            const bool packed = minor >= 5 && mesh->compressIntArrays;
            EXPECT_EQ(
                (fieldOf(layer, path + ".faceVertexIndices", "default") & kCompressedBit) != 0,
                packed);
            EXPECT_EQ(tokenValue(layer, fieldOf(layer, path + ".points", "typeName")), "point3f[]");
            if (!mesh->creaseLengths.empty()) {
                EXPECT_EQ(words("creaseIndices"), asWords(mesh->creaseIndices));
                EXPECT_EQ(words("creaseLengths"), asWords(mesh->creaseLengths));
                EXPECT_EQ(words("creaseSharpnesses"), asWords(mesh->creaseSharpnesses));
                EXPECT_EQ(
                    tokenValue(layer, fieldOf(layer, path + ".creaseSharpnesses", "typeName")),
                    "float[]");
            }
        }
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/root/packed", "properties")),
                  (std::vector<std::string>{"creaseIndices", "creaseLengths", "creaseSharpnesses",
                                            "faceVertexCounts", "faceVertexIndices", "points",
                                            "subdivisionScheme"}));
        EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/root/plain", "properties")),
                  (std::vector<std::string>{"faceVertexCounts", "faceVertexIndices", "points"}));
        EXPECT_EQ(tokenValue(layer, fieldOf(layer, "/root/packed.subdivisionScheme", "default")),
                  "none");
        EXPECT_EQ(fieldOf(layer, "/root/packed.subdivisionScheme", "variability"),
                  kInlinedBit | (std::uint64_t{44} << 48) | 1u);
        EXPECT_EQ(layer.specs.at("/root/packed.points").fields.count("variability"), 0u);
    }
}

// Without a root prim the meshes are root prims, and unset metadata is left out.
TEST(CrateLayer, MeshesAtTheTopWithoutMetadata) {
    CrateLayerSpec spec;
    spec.meshes.push_back(gridMesh("a", 1, true));
    spec.meshes.push_back(gridMesh("b", 5, false));
    spec.metersPerUnit = 1;
    const std::string file = crateLayerBytes(spec);
    const Layer layer = readLayer(file);
    EXPECT_EQ(layer.specs.at("/").fields.size(), 2u);
    EXPECT_EQ(fieldOf(layer, "/", "metersPerUnit"),
              kInlinedBit | (std::uint64_t{9} << 48) | 0x3F800000u);
    EXPECT_EQ(tokenVector(layer, file, fieldOf(layer, "/", "primChildren")),
              (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(layer.specs.at("/a").type, 6u);
    EXPECT_EQ(layer.specs.at("/b.faceVertexIndices").type, 1u);
    EXPECT_EQ(layer.specs.size(), 1u + 2 * 7);
}

TEST(CrateLayer, FileHoldsTheSameBytes) {
    testing_support::TempFolder folder;
    const CrateLayerSpec spec = fullLayer(8);
    std::string error;
    ASSERT_TRUE(writeCrateLayerFile(spec, folder / "layer.usdc", error)) << error;
    EXPECT_EQ(testing_support::readFile(folder / "layer.usdc"), crateLayerBytes(spec));
    EXPECT_FALSE(writeCrateLayerFile(spec, folder / "none/layer.usdc", error));
    EXPECT_NE(error, "");
}

TEST(CrateLayer, RefusesWhatItCannotWrite) {
    CrateLayerSpec badVersion = fullLayer(8);
    badVersion.minorVersion = 5;
    CrateLayerSpec ragged = fullLayer(8);
    ragged.meshes[0].points.pop_back();
    CrateLayerSpec noRoot = fullLayer(8);
    noRoot.rootName.clear();
    for (const CrateLayerSpec* spec : {&badVersion, &ragged, &noRoot}) {
        EXPECT_THROW(crateLayerBytes(*spec), std::invalid_argument);
        std::string error;
        testing_support::TempFolder folder;
        EXPECT_FALSE(writeCrateLayerFile(*spec, folder / "layer.usdc", error));
        EXPECT_NE(error, "");
    }
}

}  // namespace
