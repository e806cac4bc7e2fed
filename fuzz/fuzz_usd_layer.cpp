// The USD layer scanner on arbitrary text, with the crease edges of a square (OBJ
// vertices 1 2 3 4). What it reports must hold together, and giving a mesh prim its crease
// statements the way the rewrite does must give a layer that reads again with the same
// prims and exactly those creases. The override layer written for a prim must read too,
// and so must the text taken as an existing override layer that a prim joins.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "scene/usd/usd_crease_statements.h"
#include "scene/usd/usd_layer_scanner.h"
#include "scene/usd/usd_override_layer.h"
#include "scene/usd/usd_override_merge.h"

using namespace fuzzing;
using tessaryn::SceneFacts;
using tessaryn::SceneNode;

namespace {

const tessaryn::CreaseEdgeSet& square() {
    static const tessaryn::CreaseEdgeSet set =
        tessaryn::CreaseEdgeSet::fromObjNumbers({tessaryn::edgeKey(1, 2), tessaryn::edgeKey(1, 4),
                                                 tessaryn::edgeKey(2, 3), tessaryn::edgeKey(3, 4)},
                                                8);
    return set;
}

void checkNode(const SceneNode& node, const std::string& text) {
    check(node.line >= 1, "a node has a line");
    check(node.lineEnding == "\n" || node.lineEnding == "\r\n", "a node has a line ending");
    check(node.insertAt <= text.size(), "the insertion point is in the layer");
    std::uint64_t after = 0;
    for (const tessaryn::ByteRange& range : node.creaseStatements) {
        check(after <= range.start && range.start < range.end && range.end <= text.size(),
              "statement ranges ascend, apart, inside the layer");
        after = range.end;
    }
    for (std::size_t i = 0; i < node.hits.size(); ++i) {
        check(node.hits[i].creaseEdge >= 0 && node.hits[i].creaseEdge < 4, "hits are crease edges");
        check(i == 0 || node.hits[i - 1].creaseEdge < node.hits[i].creaseEdge, "hits ascend");
    }
    if (node.problem != tessaryn::NodeProblem::None)
        check(node.problemLine >= 1, "a problem has a line");
}

std::string rewrite(const std::string& text, const SceneNode& node, const std::string& statements) {
    if (node.creaseStatements.empty())
        return text.substr(0, node.insertAt) + statements + text.substr(node.insertAt);
    std::string out = text.substr(0, node.creaseStatements[0].start) + statements;
    for (std::size_t i = 0; i < node.creaseStatements.size(); ++i) {
        const std::uint64_t end =
            i + 1 < node.creaseStatements.size() ? node.creaseStatements[i + 1].start : text.size();
        out += text.substr(node.creaseStatements[i].end, end - node.creaseStatements[i].end);
    }
    return out;
}

SceneFacts scanInMemory(std::string_view layer) {
    InMemory bytes(layer);
    return tessaryn::scanUsdLayer(bytes.lines, square());
}

// The scan a mesh written out takes first, which passes the faces over: it refuses a
// layer exactly where the whole scan does, and finds the same prims, which carry the same
// problems but those of their faces.
void checkPassingFaces(std::string_view layer, const SceneFacts& whole) {
    InMemory bytes(layer);
    const SceneFacts passing = tessaryn::scanUsdLayerPassingFaces(bytes.lines);
    check(passing.problem == whole.problem && passing.problemLine == whole.problemLine,
          "the scan that passes the faces over refuses alike");
    check(passing.nodes.size() == whole.nodes.size(), "and finds as many prims");
    for (std::size_t i = 0; i < whole.nodes.size() && i < passing.nodes.size(); ++i) {
        const SceneNode& a = passing.nodes[i];
        const SceneNode& b = whole.nodes[i];
        const bool faceProblem = b.problem == tessaryn::NodeProblem::NoFaces ||
                                 b.problem == tessaryn::NodeProblem::FaceCountsMismatch ||
                                 b.problem == tessaryn::NodeProblem::IndexBeyondPoints;
        check(a.path == b.path && a.start == b.start && a.vertexCount == b.vertexCount,
              "the same prims");
        check(a.problem == b.problem || (faceProblem && a.problem == tessaryn::NodeProblem::None),
              "with the same problems but their faces'");
    }
}

tessaryn::LayerOutline outlineOf(const std::string& text, const std::string& path,
                                 SceneFacts& facts) {
    tessaryn::LayerOutline outline;
    for (const tessaryn::OverLevel& level : tessaryn::overLevels(path))
        outline.chain.push_back(level.key);
    InMemory bytes(text);
    facts = tessaryn::scanUsdLayerOutline(bytes.lines, square(), outline);
    return outline;
}

// The layer taken as an existing override layer that the prim at `path` (which it may
// hold or not) joins: the joined layer reads, the prim carries exactly the creases
// written, and every other prim and the sublayers are as they were. `unfitName` is the
// scanner's word on the names of the prim's path as the layer gave them.
void checkJoin(const std::string& input, const SceneFacts& facts, const std::string& path,
               const std::string& unfitName) {
    // refused before any join
    if (!unfitName.empty() || !tessaryn::unfitPrimPathName(path).empty()) return;
    const std::vector<tessaryn::PlannedCrease> creases = {{0, 1, 0, "10"}};
    SceneFacts scanned;
    const tessaryn::LayerOutline outline = outlineOf(input, path, scanned);
    check(scanned.problem == tessaryn::SceneRefusal::None, "the layer reads as an outline too");
    const tessaryn::LayerEdit edit =
        tessaryn::overrideLayerEdit(outline, path, creases, input.size());
    std::string joined;
    std::uint64_t at = 0;
    for (std::size_t i = 0; i < edit.ranges.size(); ++i) {
        const tessaryn::ByteRange& range = edit.ranges[i];
        check(at <= range.start && range.start <= range.end && range.end <= input.size(),
              "the edit's ranges ascend inside the layer");
        joined += input.substr(at, range.start - at);
        if (i == 0) joined += edit.text;
        at = range.end;
    }
    joined += input.substr(at);
    SceneFacts after;
    const tessaryn::LayerOutline again = outlineOf(joined, path, after);
    check(after.problem == tessaryn::SceneRefusal::None, "the joined layer reads");
    check(again.tracked, "the joined layer holds the prim");
    check(again.prim.creaseStatements.size() == 3 && again.prim.creases.size() == 1 &&
              again.prim.creases[0].creaseEdge == 0 && again.prim.creases[0].text == "10",
          "the prim carries exactly the creases written");
    check(again.sublayers == outline.sublayers, "the sublayers are kept");
    // The other prims, in the layer's order (a path may stand twice).
    std::vector<const SceneNode*> others;
    for (const SceneNode& node : facts.nodes)
        if (node.path != path) others.push_back(&node);
    std::size_t next = 0;
    for (const SceneNode& node : after.nodes) {
        if (node.path == path) continue;
        check(next < others.size(), "no other prim appears");
        const SceneNode& before = *others[next++];
        check(before.path == node.path && before.creases.size() == node.creases.size() &&
                  before.vertexCount == node.vertexCount,
              "other prims keep their facts");
    }
    check(next == others.size(), "no other prim is lost");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const SceneFacts facts = scanInMemory(input);
    checkPassingFaces(input, facts);
    if (facts.problem != tessaryn::SceneRefusal::None) {
        check(facts.problemLine >= 1, "a problem names its line");
        check(facts.nodes.empty(), "a refused layer reports no prim");
        return 0;
    }
    check(facts.size == input.size(), "every byte is read");
    for (const SceneNode& node : facts.nodes) checkNode(node, input);

    const std::vector<tessaryn::PlannedCrease> creases = {{0, 1, 0, "10"}};
    for (std::size_t n = 0; n < facts.nodes.size() && n < 4; ++n) {
        const SceneNode& node = facts.nodes[n];
        const std::string output =
            rewrite(input, node, tessaryn::usdCreaseStatements(node, creases));
        const SceneFacts again = scanInMemory(output);
        check(again.problem == tessaryn::SceneRefusal::None, "the rewrite reads again");
        check(again.nodes.size() == facts.nodes.size(), "the same prims");
        for (std::size_t i = 0; i < facts.nodes.size(); ++i) {
            const SceneNode& before = facts.nodes[i];
            const SceneNode& after = again.nodes[i];
            check(before.path == after.path && before.vertexCount == after.vertexCount &&
                      before.problem == after.problem && before.hits.size() == after.hits.size(),
                  "the same prim facts");
            if (i != n) check(before.creases.size() == after.creases.size(), "other creases kept");
        }
        const SceneNode& rewritten = again.nodes[n];
        check(rewritten.creaseStatements.size() == 3, "the prim has the three statements");
        check(rewritten.creases.size() == 1 && rewritten.creases[0].creaseEdge == 0 &&
                  rewritten.creases[0].text == "10",
              "the prim carries exactly the creases written");

        const std::string over =
            tessaryn::usdOverrideLayerText("./layer.usda", facts, node, creases);
        const SceneFacts overFacts = scanInMemory(over);
        check(overFacts.problem == tessaryn::SceneRefusal::None, "the override layer reads");
        check(overFacts.rootMetadata == facts.rootMetadata, "the metadata is copied");

        checkJoin(input, facts, node.path, node.unfitName);
        checkJoin(input, facts, node.path + "/Joined", node.unfitName);
    }
    checkJoin(input, facts, "/Fuzz{look=a}Joined", std::string());
    return 0;
}
