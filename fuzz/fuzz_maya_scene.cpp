// The Maya ASCII scene scanner on arbitrary text, with the crease edges of a square (OBJ
// vertices 1 2 3 4). What it learns of each mesh node must hold together; giving a node
// its crease statement must change that statement and no other byte, and reading the
// result again must find the same nodes with the new creases. The road through the files
// must give the same bytes as the rewrite in memory, and a refusal must change nothing.
// A node read whole for an OBJ must hand over only vertex and texture coordinate numbers
// within what it handed over first, or be refused naming a line.
#include <cstdint>
#include <string>
#include <vector>

#include "crease/crease_edge_set.h"
#include "scene/crease_plan.h"
#include "scene/maya/maya_crease_statement.h"
#include "scene/maya/maya_mesh_reader.h"
#include "scene/maya/maya_scene_scanner.h"
#include "scene/scene_creases.h"
#include "fuzz_files.h"

using namespace fuzzing;
using tessaryn::SceneFacts;
using tessaryn::SceneNode;

namespace {

const tessaryn::CreaseEdgeSet& square() {
    static const tessaryn::CreaseEdgeSet set =
        tessaryn::CreaseEdgeSet::fromObjNumbers({tessaryn::edgeKey(1, 2), tessaryn::edgeKey(1, 4),
                                                 tessaryn::edgeKey(2, 3), tessaryn::edgeKey(3, 4)},
                                                5);
    return set;
}

SceneFacts scan(const std::string& text) {
    InMemory scene(text);
    return tessaryn::scanMayaScene(scene.lines, square());
}

// The scan a mesh written out takes first, which passes edge numbers over: it reads the
// scene as the whole scan does, but for an edge statement whose numbers are damaged.
void checkPassingEdges(const std::string& text, const SceneFacts& whole) {
    InMemory scene(text);
    const SceneFacts passed = tessaryn::scanMayaScenePassingEdges(scene.lines);
    if (whole.problem == tessaryn::SceneRefusal::BadEdgeStatement) return;
    check(passed.problem == whole.problem && passed.problemLine == whole.problemLine,
          "the scan that passes edge numbers over refuses alike");
    if (whole.problem != tessaryn::SceneRefusal::None) return;  // its nodes count for nothing
    check(passed.nodes.size() == whole.nodes.size(), "and finds as many nodes");
    for (std::size_t i = 0; i < whole.nodes.size() && i < passed.nodes.size(); ++i) {
        check(passed.nodes[i].path == whole.nodes[i].path &&
                  passed.nodes[i].vertexCount == whole.nodes[i].vertexCount &&
                  passed.nodes[i].problem == whole.nodes[i].problem,
              "with the same facts");
    }
}

void checkNode(const SceneNode& node, const std::string& text) {
    check(node.line >= 1, "a node has a line");
    check(node.lineEnding == "\n" || node.lineEnding == "\r\n", "a node has a line ending");
    for (std::size_t i = 0; i < node.hits.size(); ++i) {
        check(node.hits[i].element >= 0, "crease edges are node edges");
        check(i == 0 || node.hits[i - 1].creaseEdge < node.hits[i].creaseEdge,
              "each crease edge once, ascending");
    }
    check(node.insertAt <= text.size(), "the insertion point is in the scene");
    check(node.insertAt == 0 || text[node.insertAt - 1] == ';', "insertion follows a statement");
    for (const tessaryn::ByteRange& range : node.creaseStatements) {
        check(range.start < range.end && range.end <= text.size(),
              "the crease statement is in the scene");
        check(text.compare(range.start, 7, "setAttr") == 0 && text[range.end - 1] == ';',
              "the crease statement runs from setAttr to its ';'");
    }
}

// The text the road writes for `node`: the planned creases in its first statement.
std::string rewritten(const std::string& input, const SceneNode& node,
                      const tessaryn::CreasePlan& plan) {
    const std::string text = tessaryn::mayaCreaseStatements(node, plan.creases);
    std::vector<tessaryn::ByteRange> ranges = node.creaseStatements;
    if (ranges.empty()) ranges.push_back({node.insertAt, node.insertAt});
    std::string output;
    std::uint64_t at = 0;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        output += input.substr(at, ranges[i].start - at);
        if (i == 0) output += text;
        at = ranges[i].end;
    }
    return output + input.substr(at);
}

// Checks every face against the head it was given.
class CheckingSink : public tessaryn::MeshSink {
public:
    bool begin(const tessaryn::MeshHead& head) override {
        check(!begun_, "one head");
        begun_ = true;
        points_ = head.points.size() / 3;
        uvs_ = head.uvs.size() / 2;
        return true;
    }
    bool face(const std::uint32_t* vertices, const std::uint32_t* uvs,
              std::size_t corners) override {
        check(begun_, "the head before the faces");
        check((uvs != nullptr) == (uvs_ > 0), "texture coordinates where the head has them");
        for (std::size_t i = 0; i < corners; ++i) {
            check(vertices[i] < points_, "corners are vertices of the head");
            check(uvs == nullptr || uvs[i] < uvs_, "texture coordinates of the head");
        }
        ++faces;
        return true;
    }
    std::int64_t faces = 0;

private:
    bool begun_ = false;
    std::size_t points_ = 0;
    std::size_t uvs_ = 0;
};

void readWhole(const std::string& input, const SceneNode& node) {
    InMemory scene(input);
    CheckingSink sink;
    const tessaryn::MeshReadResult result = tessaryn::readMayaMesh(scene.source, node, sink);
    if (result.problem != tessaryn::SceneRefusal::None) {
        check(result.line >= 1 || result.problem == tessaryn::SceneRefusal::Unreadable,
              "a refused node names its line");
        return;
    }
    check(!result.stopped && result.faces == sink.faces, "every face handed over");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const SceneFacts scene = scan(input);
    checkPassingEdges(input, scene);
    if (scene.problem != tessaryn::SceneRefusal::None) {
        check(scene.problemLine >= 1, "a problem names its line");
        return 0;
    }
    check(scene.size == input.size(), "every byte is accounted for");
    const SceneNode* fitting = nullptr;
    int fittingCount = 0;
    for (const SceneNode& node : scene.nodes) {
        checkNode(node, input);
        if (node.holdsMesh() && node.vertexCount == 4) {
            fitting = &node;
            ++fittingCount;
        }
    }
    for (std::size_t n = 0; n < scene.nodes.size() && n < 4; ++n) {
        const SceneNode& node = scene.nodes[n];
        if (!node.holdsMesh()) continue;
        readWhole(input, node);
        const tessaryn::CreasePlan plan = tessaryn::planCreases(node, square(), "10", false);
        if (plan.missing > 0) continue;
        const SceneFacts again = scan(rewritten(input, node, plan));
        check(again.problem == tessaryn::SceneRefusal::None, "the rewrite reads again");
        check(again.nodes.size() == scene.nodes.size(), "the same nodes");
        for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
            check(scene.nodes[i].path == again.nodes[i].path &&
                      scene.nodes[i].vertexCount == again.nodes[i].vertexCount &&
                      scene.nodes[i].hits.size() == again.nodes[i].hits.size(),
                  "the same node facts");
        }
        const tessaryn::CreasePlan second =
            tessaryn::planCreases(again.nodes[n], square(), "10", false);
        check(second.unchanged, "a second run changes nothing");
    }

    // Through the files, as the tool does it.
    const std::string obj = path("square.obj");
    const std::string file = path("scene.ma");
    writeBytes(obj, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n");
    writeBytes(file, input);
    tessaryn::SceneCreaseRequest request;
    request.objPath = obj;
    request.scenePath = file;
    request.value = "10";
    const tessaryn::SceneCreaseReport report = tessaryn::writeSceneCreases(request);
    check(entryCount() == 2, "no temporary file is left");
    const std::string written = readBytes(file);
    if (report.outcome != tessaryn::SceneRefusal::None || report.hostScene) {
        if (report.outcome != tessaryn::SceneRefusal::None)
            check(written == input, "a refusal changes nothing");
        return 0;
    }
    check(fittingCount == 1 && fitting != nullptr, "only the one fitting node is written");
    const tessaryn::CreasePlan plan = tessaryn::planCreases(*fitting, square(), "10", false);
    check(written == (plan.unchanged ? input : rewritten(input, *fitting, plan)),
          "the file gets the edit and nothing else");
    return 0;
}
