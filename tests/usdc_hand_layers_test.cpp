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
using usdc_testing::nestedLayer;
using usdc_testing::rep;

using Fields = std::vector<std::pair<std::string, std::uint64_t>>;

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
