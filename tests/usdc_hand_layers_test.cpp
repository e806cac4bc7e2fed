// The crate reader on layers written by hand (usdc_builder.h): what the real files do not
// show, in every layout: nested variants, a missing specifier, a child listed twice or
// without spec, dependencies of every kind, time-sampled points behind a blocked default,
// newer versions, deep namespaces and damaged structure.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/usdc/crate_layer.h"
#include "usdc_builder.h"
#include "usdc_support.h"

namespace {

using namespace tessaryn;
using usdc_testing::CrateBuilder;
using usdc_testing::kArray;
using usdc_testing::kInlined;
using usdc_testing::le;
using usdc_testing::rep;

using Fields = std::vector<std::pair<std::string, std::uint64_t>>;

// /Q (no specifier) holding the class /Q/R (listed twice); /P holding variant set a, whose
// variant x holds the mesh C and variant set b, whose variant y holds the mesh D.
std::string nestedLayer(unsigned minor, std::uint64_t typeOfP = 0) {
    CrateBuilder b(minor);
    const std::uint32_t p = b.path(0, "P");
    const std::uint32_t q = b.path(0, "Q");
    const std::uint32_t r = b.path(q, "R");
    const std::uint32_t setA = b.path(p, "{a=}");
    const std::uint32_t ax = b.path(p, "{a=x}");
    const std::uint32_t c = b.path(ax, "C");
    const std::uint32_t points = b.path(c, "points", true);
    const std::uint32_t counts = b.path(c, "faceVertexCounts", true);
    const std::uint32_t indices = b.path(c, "faceVertexIndices", true);
    const std::uint32_t scheme = b.path(c, "subdivisionScheme", true);
    const std::uint32_t setB = b.path(ax, "{b=}");
    const std::uint32_t by = b.path(ax, "{b=y}");
    const std::uint32_t d = b.path(by, "D");

    const std::string sublayers = le<std::uint64_t>(1) + le<std::uint32_t>(b.string("sub.usd"));
    b.spec(0, CrateSpecType::PseudoRoot,
           {{"defaultPrim", b.tokenRep("P")},
            {"upAxis", b.tokenRep("Z")},
            {"metersPerUnit", rep(CrateType::Double, b.place(le<double>(0.01)))},
            {"framesPerSecond", rep(CrateType::Int, 30, kInlined)},
            {"primChildren", b.tokenVector({"Q", "P", "Missing"})},
            {"subLayers", rep(CrateType::StringVector, b.place(sublayers))}});
    // A reference with custom data: a dictionary of one entry, its value rep right after
    // its jump.
    const std::string reference = le<std::uint32_t>(b.string("ref.usd")) + le<std::uint32_t>(0) +
                                  le<double>(0) + le<double>(1) + le<std::uint64_t>(1) +
                                  le<std::uint32_t>(b.string("key")) + le<std::int64_t>(8) +
                                  le(rep(CrateType::Int, 7, kInlined));
    const std::string references = "\x20" + le<std::uint64_t>(1) + reference;
    const std::string setNames = "\x20" + le<std::uint64_t>(1) + le<std::uint32_t>(b.string("a"));
    const std::string selection = le<std::uint64_t>(1) + le<std::uint32_t>(b.string("a")) +
                                  le<std::uint32_t>(b.string("x"));
    b.spec(p, CrateSpecType::Prim,
           {{"specifier", b.specifier(0)},
            {"typeName", typeOfP != 0 ? typeOfP : b.tokenRep("Xform")},
            {"variantSetNames", rep(CrateType::StringListOp, b.place(setNames))},
            {"variantSelection", rep(CrateType::VariantSelectionMap, b.place(selection))},
            {"variantSetChildren", b.tokenVector({"a"})},
            {"references", rep(CrateType::ReferenceListOp, b.place(references))}});
    b.spec(q, CrateSpecType::Prim, {{"primChildren", b.tokenVector({"R", "R"})}});
    const std::string payload = le<std::uint32_t>(b.string("pay.usd")) + le<std::uint32_t>(0) +
                                (minor >= 8 ? std::string(16, '\0') : std::string());
    b.spec(r, CrateSpecType::Prim,
           {{"specifier", b.specifier(2)},
            {"typeName", b.tokenRep("Mesh")},
            {"payload", rep(CrateType::Payload, b.place(payload))}});
    b.spec(setA, CrateSpecType::VariantSet, {{"variantChildren", b.tokenVector({"x", "gone"})}});
    b.spec(ax, CrateSpecType::Variant,
           {{"primChildren", b.tokenVector({"C"})}, {"variantSetChildren", b.tokenVector({"b"})}});
    b.spec(c, CrateSpecType::Prim, {{"specifier", b.specifier(1)}, {"typeName", b.tokenRep("Mesh")}});
    // Points only in a time sample, behind a blocked default.
    const std::uint64_t times =
        b.place(le<std::uint64_t>(1) + le<double>(0));
    const std::uint64_t pointArray = b.place(b.arrayHeader(3) + std::string(36, '\0'));
    const std::uint64_t samples =
        b.place(le<std::int64_t>(8) + le(rep(CrateType::DoubleVector, times)) + le<std::int64_t>(8) +
                le<std::uint64_t>(1) + le(rep(CrateType::Vec3f, pointArray, kArray)));
    b.spec(points, CrateSpecType::Attribute,
           {{"default", rep(CrateType::ValueBlock, 0, kInlined)},
            {"timeSamples", rep(CrateType::TimeSamples, samples)}});
    b.spec(counts, CrateSpecType::Attribute, {{"default", b.intArray({3})}});
    b.spec(indices, CrateSpecType::Attribute, {{"default", b.intArray({0, 1, 2})}});
    b.spec(scheme, CrateSpecType::Attribute, {{"default", b.tokenRep("loop")}});
    b.spec(setB, CrateSpecType::VariantSet, {{"variantChildren", b.tokenVector({"y"})}});
    b.spec(by, CrateSpecType::Variant, {{"primChildren", b.tokenVector({"D"})}});
    b.spec(d, CrateSpecType::Prim, {{"specifier", b.specifier(0)}, {"typeName", b.tokenRep("Mesh")}});
    return b.build();
}

std::vector<std::string> primRows(const CrateLayer& layer) {
    static const char* const kSpecifiers[] = {"def", "over", "class"};
    std::vector<std::string> rows;
    for (const CratePrim& prim : layer.prims) {
        std::string row = prim.path + " " + prim.name + " " +
                          kSpecifiers[static_cast<int>(prim.specifier)] + " '" + prim.typeName + "'";
        for (const CrateVariantStep& step : prim.variantSteps) row += " " + step.set + "=" + step.variant;
        rows.push_back(row);
    }
    return rows;
}

TEST(CrateHandLayers, NestedVariantsInEveryLayout) {
    for (const unsigned minor : {0u, 4u, 5u, 7u, 8u, 12u}) {
        SCOPED_TRACE(minor);
        const usdc_testing::WholeRead read = usdc_testing::readWhole(nestedLayer(minor));
        ASSERT_TRUE(read.result.ok()) << read.result.detail;
        EXPECT_EQ(read.layer.version.minor, minor);
        EXPECT_EQ(primRows(read.layer),
                  (std::vector<std::string>{"/Q Q over ''", "/Q/R R class 'Mesh'", "/P P def 'Xform'",
                                            "/P{a=x}C C over 'Mesh' a=x",
                                            "/P{a=x}{b=y}D D def 'Mesh' a=x b=y"}));
        EXPECT_EQ(usdc_testing::metadataSummary(read.layer),
                  "defaultPrim=P upAxis=Z metersPerUnit=0.01 framesPerSecond=i30");
        std::vector<std::string> assets;
        for (const CrateAsset& asset : read.layer.assets)
            assets.push_back(std::to_string(static_cast<int>(asset.kind)) + " " + asset.path);
        EXPECT_EQ(assets, (std::vector<std::string>{"0 sub.usd", "2 pay.usd", "1 ref.usd"}));
        const CratePrim& p = read.layer.prims.at(2);
        EXPECT_EQ(p.variantSetNames, std::vector<std::string>{"a"});
        ASSERT_EQ(p.variantSelections.size(), 1u);
        EXPECT_EQ(p.variantSelections[0].set + "=" + p.variantSelections[0].variant, "a=x");
        EXPECT_EQ(read.meshes,
                  (std::vector<std::string>{
                      "/P{a=x}C Mesh over: points 3 sampled faces 1 indices 3 creases 0/0/0 scheme loop",
                      "/P{a=x}{b=y}D Mesh def: no points faces 0 indices 0 creases 0/0/0 scheme -"}));
    }
}

// A newer minor version is read, warned of; only a type it added where a needed value
// lies refuses the layer.
TEST(CrateHandLayers, NewerVersions) {
    const std::uint64_t newType = std::uint64_t{kLastKnownType + 1} << 48;
    usdc_testing::WholeRead read = usdc_testing::readWhole(nestedLayer(13));
    ASSERT_TRUE(read.result.ok());
    ASSERT_EQ(read.layer.warnings.size(), 1u);
    EXPECT_EQ(read.layer.warnings[0].detail, "0.13.0");
    read = usdc_testing::readWhole(nestedLayer(13, newType));
    EXPECT_EQ(read.result.problem, CrateProblem::UnknownType);
    EXPECT_EQ(read.result.detail, "the type of /P");
    // The same type in a version that cannot have it: damage.
    read = usdc_testing::readWhole(nestedLayer(12, newType));
    EXPECT_EQ(read.result.problem, CrateProblem::Damaged);
}

std::string chainOfPrims(unsigned depth) {
    CrateBuilder b;
    std::vector<std::uint32_t> chain = {0};
    for (unsigned i = 0; i < depth; ++i) chain.push_back(b.path(chain.back(), "N"));
    for (std::size_t i = 0; i < chain.size(); ++i) {
        Fields fields;
        if (i + 1 < chain.size()) fields.push_back({"primChildren", b.tokenVector({"N"})});
        b.spec(chain[i], i == 0 ? CrateSpecType::PseudoRoot : CrateSpecType::Prim, fields);
    }
    return b.build();
}

TEST(CrateHandLayers, DeepNamespaces) {
    const usdc_testing::WholeRead deep = usdc_testing::readWhole(chainOfPrims(200));
    ASSERT_TRUE(deep.result.ok());
    EXPECT_EQ(deep.layer.prims.size(), 200u);
    const usdc_testing::WholeRead deeper = usdc_testing::readWhole(chainOfPrims(300));
    EXPECT_EQ(deeper.result.problem, CrateProblem::Damaged);
    EXPECT_EQ(deeper.result.detail, "the namespace, nested too deep");
}

TEST(CrateHandLayers, DamagedStructure) {
    struct Row {
        const char* what;
        void (*damage)(CrateBuilder&, std::uint32_t prim);
        const char* detail;
    };
    const Row rows[] = {
        {"spec type 0", [](CrateBuilder& b, std::uint32_t prim) { b.spec(prim, CrateSpecType{}, {}); },
         "the SPECS section"},
        {"spec type 12",
         [](CrateBuilder& b, std::uint32_t prim) { b.spec(prim, static_cast<CrateSpecType>(12), {}); },
         "the SPECS section"},
        {"two specs of a path",
         [](CrateBuilder& b, std::uint32_t prim) {
             b.spec(prim, CrateSpecType::Prim, {});
             b.spec(prim, CrateSpecType::Prim, {});
         },
         "the SPECS section"},
        {"a specifier beyond class",
         [](CrateBuilder& b, std::uint32_t prim) {
             b.spec(prim, CrateSpecType::Prim, {{"specifier", b.specifier(3)}});
         },
         "the specifier of /A"},
        {"a token past the table",
         [](CrateBuilder& b, std::uint32_t prim) {
             b.spec(prim, CrateSpecType::Prim, {{"typeName", rep(CrateType::Token, 999, kInlined)}});
         },
         "the type of /A"},
        {"children past the end",
         [](CrateBuilder& b, std::uint32_t prim) {
             b.spec(prim, CrateSpecType::Prim, {{"primChildren", rep(CrateType::TokenVector, 1 << 20)}});
         },
         "the children of /A"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CrateBuilder b;
        const std::uint32_t prim = b.path(0, "A");
        b.spec(0, CrateSpecType::PseudoRoot, {{"primChildren", b.tokenVector({"A"})}});
        row.damage(b, prim);
        const usdc_testing::WholeRead read = usdc_testing::readWhole(b.build());
        EXPECT_EQ(read.result.problem, CrateProblem::Damaged);
        EXPECT_EQ(read.result.detail, row.detail);
    }
}

}  // namespace
