// The Maya ASCII scene reader on arbitrary text, with the crease edges of a square (OBJ
// vertices 1 2 3 4). What it learns of each mesh node must hold together; giving a node
// its crease statement must change that statement and no other byte, and reading the
// result again must find the same nodes with the new statement. The file rewrite must
// give the same bytes as the rewrite in memory, and a refusal must change nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "scene/maya/maya_creases.h"
#include "scene/maya/maya_scene_reader.h"
#include "fuzz_files.h"

using namespace fuzzing;
using tessaryn::MayaMeshNode;
using tessaryn::MayaScene;

namespace {

const std::vector<tessaryn::EdgeKey> kSquare = {tessaryn::edgeKey(1, 2), tessaryn::edgeKey(2, 3),
                                                tessaryn::edgeKey(3, 4), tessaryn::edgeKey(1, 4)};

MayaScene scan(const std::string& text) {
    tessaryn::LineReader reader;
    reader.openText(text);
    return tessaryn::scanMayaScene(reader, kSquare);
}

void checkNode(const MayaMeshNode& node, const std::string& text) {
    check(node.line >= 1, "a node has a line");
    check(node.lineEnding == "\n" || node.lineEnding == "\r\n", "a node has a line ending");
    const std::vector<std::int32_t>& numbers = node.creaseEdgeNumbers;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        check(numbers[i] >= 0 && numbers[i] < node.edgeCount, "crease edges are node edges");
        check(i == 0 || numbers[i - 1] < numbers[i], "crease edge numbers ascend");
    }
    check(node.creaseEdgesFound <= static_cast<std::int64_t>(numbers.size()) &&
              node.creaseEdgesFound <= static_cast<std::int64_t>(kSquare.size()),
          "crease edges found are counted once");
    check(node.insertAt <= text.size(), "the insertion point is in the scene");
    check(node.insertAt == 0 || text[node.insertAt - 1] == ';', "insertion follows a statement");
    if (node.hasCreaseStatement) {
        check(node.creaseStart < node.creaseEnd && node.creaseEnd <= text.size(),
              "the crease statement is in the scene");
        check(text.compare(node.creaseStart, 7, "setAttr") == 0 && text[node.creaseEnd - 1] == ';',
              "the crease statement runs from setAttr to its ';'");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const MayaScene scene = scan(input);
    if (scene.problem != tessaryn::MayaSceneProblem::None) {
        check(scene.problemLine >= 1, "a problem names its line");
        return 0;
    }
    check(scene.size == input.size(), "every byte is accounted for");
    const MayaMeshNode* fitting = nullptr;
    int fittingCount = 0;
    for (const MayaMeshNode& node : scene.nodes) {
        checkNode(node, input);
        if (node.holdsMesh() && node.vertexCount == 4) {
            fitting = &node;
            ++fittingCount;
        }
    }
    for (std::size_t n = 0; n < scene.nodes.size() && n < 4; ++n) {
        const MayaMeshNode& node = scene.nodes[n];
        if (!node.holdsMesh()) continue;
        const tessaryn::SceneEdit edit = tessaryn::creaseStatementEdit(node, "10");
        const std::string output = input.substr(0, edit.start) + edit.text + input.substr(edit.end);
        const MayaScene again = scan(output);
        check(again.problem == tessaryn::MayaSceneProblem::None, "the rewrite reads again");
        check(again.nodes.size() == scene.nodes.size(), "the same nodes");
        for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
            const MayaMeshNode& before = scene.nodes[i];
            const MayaMeshNode& after = again.nodes[i];
            check(before.name == after.name && before.vertexCount == after.vertexCount &&
                      before.edgeCount == after.edgeCount &&
                      before.creaseEdgeNumbers == after.creaseEdgeNumbers,
                  "the same node facts");
        }
        const MayaMeshNode& rewritten = again.nodes[n];
        check(rewritten.hasCreaseStatement, "the node has its crease statement");
        check(rewritten.creaseEnd == edit.start + edit.text.size(), "the statement ends the edit");
        check(rewritten.creasesBefore == static_cast<std::int64_t>(node.creaseEdgeNumbers.size()),
              "every crease edge is in it with its value");
    }

    // Through the files, as the tool does it.
    const std::string obj = path("square.obj");
    const std::string file = path("scene.ma");
    writeBytes(obj, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\ng a\nf 1 2 3 4\n");
    writeBytes(file, input);
    tessaryn::MayaCreaseRequest request;
    request.objPath = obj;
    request.scenePath = file;
    const tessaryn::MayaCreaseReport report = tessaryn::writeMayaCreases(request);
    check(entryCount() == 2, "no temporary file is left");
    const std::string written = readBytes(file);
    if (!report.ok) {
        check(written == input, "a refusal changes nothing");
        return 0;
    }
    check(fittingCount == 1 && fitting != nullptr, "only the one fitting node is written");
    const tessaryn::SceneEdit edit = tessaryn::creaseStatementEdit(*fitting, "10");
    check(written == input.substr(0, edit.start) + edit.text + input.substr(edit.end),
          "the file gets the edit and nothing else");
    return 0;
}
