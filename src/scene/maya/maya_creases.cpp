#include "scene/maya/maya_creases.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "base/counted.h"
#include "base/line_reader.h"
#include "base/numbers.h"
#include "base/safe_writer.h"
#include "crease/crease_edges.h"
#include "scene/host_scene.h"

namespace tessaryn {

namespace {

constexpr std::string_view kNothingChanged = "; nothing changed";
constexpr const char* kBinaryScene = " is a Maya binary scene: save it as Maya ASCII";

MayaCreaseReport refusal(std::string sentence) {
    MayaCreaseReport report;
    report.message = std::move(sentence);
    report.message += kNothingChanged;
    return report;
}

MayaCreaseReport unreadable(const std::string& path) {
    MayaCreaseReport report = refusal("cannot read " + path);
    report.unreadable = path;
    return report;
}

std::string listNodes(const MayaScene& scene) {
    std::string list;
    for (const MayaMeshNode& node : scene.nodes) {
        if (!list.empty()) list += ", ";
        list += node.name + " (" + counted(node.vertexCount, "vertex", "vertices") + ")";
    }
    return list;
}

std::string sceneProblem(const MayaScene& scene, const std::string& path) {
    std::string line;
    appendDecimal(line, scene.problemLine);
    switch (scene.problem) {
        case MayaSceneProblem::Binary:
            return path + kBinaryScene;
        case MayaSceneProblem::NotMayaAscii:
            return path + " is not a Maya ASCII scene: its first line is not //Maya ASCII";
        case MayaSceneProblem::UnterminatedString:
            return path + ": the string opened on line " + line + " is not closed";
        case MayaSceneProblem::UnterminatedStatement:
            return path + ": the statement on line " + line + " has no closing ;";
        case MayaSceneProblem::BadEdgeStatement:
            return path + ": the edge statement on line " + line +
                   " does not hold three whole numbers for each edge of its range, or repeats an "
                   "edge";
        case MayaSceneProblem::None:
        case MayaSceneProblem::Unreadable:
            break;
    }
    return std::string();
}

// The mesh node asked for, or the one whose vertex count is the OBJ's. Null, with the
// sentence saying why, when there is no such node or more than one.
const MayaMeshNode* chooseNode(const MayaScene& scene, const MayaCreaseRequest& request,
                               std::int64_t objVertices, std::string& why) {
    std::string positions = counted(objVertices, "vertex position");
    const MayaMeshNode* chosen = nullptr;
    std::vector<const MayaMeshNode*> fitting;
    bool anyMesh = false;
    for (const MayaMeshNode& node : scene.nodes) {
        anyMesh = anyMesh || node.holdsMesh();
        if (!request.node.empty()) {
            if (node.name != request.node) continue;
            if (chosen != nullptr) {
                why = "several mesh nodes of " + request.scenePath + " are named " + request.node;
                return nullptr;
            }
            chosen = &node;
        } else if (node.holdsMesh() && node.vertexCount == objVertices) {
            fitting.push_back(&node);
        }
    }
    if (!anyMesh) {
        why = request.scenePath + " has no mesh node with vertices and edges";
        return nullptr;
    }
    if (!request.node.empty()) {
        if (chosen == nullptr) {
            why = request.scenePath + " has no mesh node " + request.node +
                  "; its mesh nodes: " + listNodes(scene);
        } else if (!chosen->holdsMesh()) {
            why = request.node + " in " + request.scenePath + " holds no vertices and edges";
            chosen = nullptr;
        } else if (chosen->vertexCount != objVertices) {
            why = request.objPath + " has " + positions + " but " + request.node + " has " +
                  counted(chosen->vertexCount, "vertex", "vertices");
            chosen = nullptr;
        }
        return chosen;
    }
    if (fitting.size() == 1) return fitting[0];
    if (fitting.empty()) {
        why = request.objPath + " has " + positions + " but no mesh node of " + request.scenePath +
              " has as many: " + listNodes(scene);
        return nullptr;
    }
    why = "several mesh nodes of " + request.scenePath + " have the " +
          counted(objVertices, "vertex", "vertices") + " of " + request.objPath + ": " +
          listNodes(scene) + "; choose one with --node";
    return nullptr;
}

// Copies `count` bytes from `in` to `out`; false when the file holds fewer.
bool copyBytes(std::FILE* in, SafeWriter* out, std::uint64_t count, char* buffer,
               std::size_t bufferSize) {
    while (count != 0) {
        const std::size_t want = count < bufferSize ? static_cast<std::size_t>(count) : bufferSize;
        const std::size_t got = std::fread(buffer, 1, want, in);
        if (out != nullptr) out->write(std::string_view(buffer, got));
        if (got < want) return false;
        count -= got;
    }
    return true;
}

std::string successReport(const MayaCreaseRequest& request, const MayaCreaseReport& facts) {
    std::string report = facts.node + " in " + request.scenePath + ": " +
                         counted(facts.written, "crease edge") + " written (value " +
                         request.value + "), ";
    appendDecimal(report, facts.replaced);
    report +=
        " replaced; " + counted(facts.groupCount, request.smoothing ? "smoothing group" : "group");
    if (facts.notInNode > 0) {
        report += "\n";
        appendDecimal(report, facts.notInNode);
        report +=
            " of the " + counted(facts.borderEdges, "border edge") + " of " + request.objPath +
            (facts.notInNode == 1 ? " is not an edge of " : " are not edges of ") + facts.node;
    }
    return report;
}

}  // namespace

MayaCreaseReport writeMayaCreases(const MayaCreaseRequest& request) {
    // Told before the OBJ is read: a binary scene is refused whatever the OBJ holds.
    if (startsAsMayaBinary(request.scenePath.c_str())) {
        return refusal(request.scenePath + kBinaryScene);
    }
    CreaseEdges creases;
    const char* const groups = request.smoothing ? "smoothing groups" : "groups";
    switch (CollectCreaseEdges(request.objPath.c_str(), request.smoothing ? 's' : 'g', creases)) {
        case Outcome::Done:
            break;
        case Outcome::TooManyGroups:
            return refusal(request.objPath + " has more than 8191 " + groups);
        case Outcome::NoCreaseEdges:
            return refusal(request.objPath + " has no " +
                           (request.smoothing ? "smoothing-group" : "group") + "-border edge");
        default:
            return unreadable(request.objPath);
    }
    // Stamped before the read, so that a save during the read shows as a change.
    SceneStamp stamp = stampScene(request.scenePath);
    const MayaScene scene = scanMayaScene(request.scenePath.c_str(), creases.edges);
    stamp.size = scene.size;
    if (scene.problem == MayaSceneProblem::Unreadable) return unreadable(request.scenePath);
    if (scene.problem != MayaSceneProblem::None) {
        return refusal(sceneProblem(scene, request.scenePath));
    }
    std::string why;
    const MayaMeshNode* node = chooseNode(scene, request, creases.vertexPositions, why);
    if (node == nullptr) return refusal(why);

    MayaCreaseReport report;
    report.node = node->name;
    report.groupCount = creases.groupCount;
    report.borderEdges = static_cast<std::int64_t>(creases.edges.size());
    report.written = static_cast<std::int64_t>(node->creaseEdgeNumbers.size());
    report.replaced = node->creasesBefore;
    report.notInNode = report.borderEdges - node->creaseEdgesFound;
    if (report.written == 0) {
        return refusal("none of the " + counted(report.borderEdges, "border edge") + " of " +
                       request.objPath + " is an edge of " + node->name +
                       " (are they the same mesh?)");
    }
    switch (rewriteMayaScene(request.scenePath, creaseStatementEdit(*node, request.value), stamp)) {
        case SceneRewrite::Written:
            break;
        case SceneRewrite::Changed:
            return refusal(request.scenePath + " changed while it was being read");
        case SceneRewrite::Unreadable:
            return unreadable(request.scenePath);
        case SceneRewrite::Unwritable: {
            MayaCreaseReport failed;
            failed.message = "cannot write " + request.scenePath + "; it is unchanged";
            return failed;
        }
    }
    report.ok = true;
    report.message = successReport(request, report);
    return report;
}

bool readCreaseValue(std::string_view text, std::string& written) {
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return false;
    if (point != std::string_view::npos && fraction.empty()) return false;
    for (std::string_view digits : {whole, fraction}) {
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
        }
    }
    while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    written = whole.empty() ? "0" : std::string(whole);
    if (!fraction.empty()) written += "." + std::string(fraction);
    return true;
}

bool readHoldsHostPlaceholder(const char* scenePath, bool& holds) {
    holds = false;
    // Not searched: a binary scene may hold no line feed, and so be one line of its size.
    if (startsAsMayaBinary(scenePath)) return true;
    LineReader reader;
    if (!reader.open(scenePath)) return false;
    std::string_view line;
    while (!holds && reader.next(line)) holds = isPlaceholderLine(line);
    return !reader.failed();
}

SceneStamp stampScene(const std::string& path) {
    SceneStamp stamp;
    std::error_code error;
    stamp.modified = std::filesystem::last_write_time(path, error);
    stamp.modifiedKnown = !error;
    return stamp;
}

SceneRewrite rewriteMayaScene(const std::string& path, const SceneEdit& edit,
                              const SceneStamp& read) {
    SafeWriter writer;
    if (!writer.open(path.c_str())) return SceneRewrite::Unwritable;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
    if (in == nullptr) return SceneRewrite::Unreadable;
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::unique_ptr<char[]> buffer(new char[kBlock]);
    // A scene shorter or longer than it was read, or saved again since, is left alone:
    // the edit's offsets belong to the bytes that were read.
    bool sameBytes = copyBytes(in.get(), &writer, edit.start, buffer.get(), kBlock);
    if (sameBytes) {
        writer.write(edit.text);
        sameBytes = copyBytes(in.get(), nullptr, edit.end - edit.start, buffer.get(), kBlock) &&
                    copyBytes(in.get(), &writer, read.size - edit.end, buffer.get(), kBlock) &&
                    std::fgetc(in.get()) == EOF;
    }
    if (std::ferror(in.get()) != 0) return SceneRewrite::Unreadable;
    in.reset();  // Windows replaces no file that is open
    if (!sameBytes) return SceneRewrite::Changed;
    if (read.modifiedKnown) {
        std::error_code error;
        if (std::filesystem::last_write_time(path, error) != read.modified || error)
            return SceneRewrite::Changed;
    }
    return writer.commit() ? SceneRewrite::Written : SceneRewrite::Unwritable;
}

SceneEdit creaseStatementEdit(const MayaMeshNode& node, std::string_view value) {
    SceneEdit edit;
    std::string& text = edit.text;
    if (node.hasCreaseStatement) {
        edit.start = node.creaseStart;
        edit.end = node.creaseEnd;
    } else {
        edit.start = edit.end = node.insertAt;
        text = node.lineEnding + "\t";
    }
    text += "setAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge ";
    appendDecimal(text, static_cast<std::int64_t>(node.creaseEdgeNumbers.size()));
    text += ' ';
    for (std::int32_t number : node.creaseEdgeNumbers) {
        text += node.lineEnding;
        text += "\t\t";
        appendDecimal(text, number);
        text += ' ';
        text += value;
        text += ' ';
    }
    text += ';';
    return edit;
}

}  // namespace tessaryn
