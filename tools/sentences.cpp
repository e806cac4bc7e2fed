#include "tools/sentences.h"

#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "crease/crease_edges.h"
#include "tools/counted.h"
#include "tools/file_checks.h"

namespace tool {

namespace {

using tessaryn::NodeSummary;
using tessaryn::SceneCreaseReport;
using tessaryn::SceneRefusal;

std::string number(std::int64_t value) {
    return std::to_string(value);
}

// The refusal of an output that names an input: "b.obj names the same file as a.obj: ...".
std::string outputIsInput(const std::string& output, const std::string& input) {
    return output + " names the same file as " + input +
           ": an output never replaces the input it is made from";
}

// "cannot create a file in ro/: Permission denied", "cannot write a.ma (it is read-only)".
std::string cannotWrite(const std::string& path, const WriteFailure& failure) {
    if (!failure.folder.empty())
        return "cannot create a file in " + failure.folder + ": " + failure.reason;
    if (failure.reason.empty()) return "cannot write " + path;
    return "cannot write " + path + " (" + failure.reason + ")";
}

// How many times its input's bytes an output may take at most, for the room it needs: a
// Vyx file's face records (16 bytes, 32 more with texture corners) outgrow the text of
// small indices about fourfold; smooth-to-groups adds a little to some lines.
constexpr std::uint64_t kVyxPerObjByte = 4;
constexpr std::uint64_t kGroupsPerObjByte = 2;

// Why an output made from `input` could not be written, as the files tell it.
std::string cannotWriteFrom(const std::string& output, const std::string& input,
                            std::uint64_t perInputByte) {
    return cannotWrite(output, whyNotWritten(output, 0, sizeOf(input) * perInputByte));
}

// What became of an output that was not written: a file that was there is as it was,
// one that was not never came to be.
std::string leftAsItWas(const std::string& output) {
    std::error_code error;
    return std::filesystem::exists(output, error) ? "; " + output + " is unchanged"
                                                  : "; nothing written";
}

std::string libraryNotLoaded(const std::string& library, const std::string& reason) {
    return "cannot load the library " + library + ": " + reason;
}

const FormatWords kFormatWords[] = {
    {"maya", "mesh node", " with vertices and edges", "--node", "scene",
     tessaryn::SceneFormat::Maya, false, false},
    {"usd", "mesh prim", " with points and faces", "--prim", "layer", tessaryn::SceneFormat::Usd,
     true, true},
    {"usdc", "mesh prim", " with points and faces", "--prim", "layer", tessaryn::SceneFormat::Usdc,
     true, true},
    {"usdz", "mesh prim", " with points and faces", "--prim", "layer", tessaryn::SceneFormat::Usdz,
     true, true},
};

std::string meshWord(const SceneCreaseReport& report) {
    return wordsFor(report.format).mesh;
}
const char* nodeOption(const SceneCreaseReport& report) {
    return wordsFor(report.format).option;
}
const std::string& nodeName(const SceneCreaseReport& report) {
    return wordsFor(report.format).byPath ? report.node.path : report.node.name;
}

// Nodes by short name, or by path where short names repeat among them (USD prims always
// by path).
std::string nodeList(const std::vector<NodeSummary>& nodes, bool paths = false) {
    std::multiset<std::string> names;
    for (const NodeSummary& node : nodes) names.insert(node.name);
    std::string list;
    for (const NodeSummary& node : nodes) {
        if (!list.empty()) list += ", ";
        list += paths || names.count(node.name) > 1 ? node.path : node.name;
        list += node.historyOnly
                    ? " (construction history: delete its history in Maya and save the scene)"
                    : " (" + counted(node.vertexCount, "vertex", "vertices") + ")";
    }
    return list;
}

std::string groups(const SceneCreaseReport& report, const CreaseRun& run) {
    return counted(report.groups, run.smoothing ? "smoothing group" : "group");
}

// "(value 10)", or how many creases keep the value they had.
std::string values(const SceneCreaseReport& report, const CreaseRun& run) {
    if (run.valueGiven || report.hostScene || report.kept == 0)
        return "(value " + report.value + ")";
    if (report.kept == report.written) return "(values kept)";
    return "(" + number(report.kept) + " values kept, the others " + report.value + ")";
}

// Why a USD prim asked for holds no mesh it can crease.
std::string primProblem(const SceneCreaseReport& report) {
    // A binary layer has no lines to name.
    const std::string line = report.line > 0 ? " (line " + number(report.line) + ")" : "";
    switch (report.nodeProblem) {
        case tessaryn::NodeProblem::NoFaces:
            return "has no faceVertexCounts and faceVertexIndices it can read" + line;
        case tessaryn::NodeProblem::FaceCountsMismatch:
            return "has faceVertexCounts that do not add up to its faceVertexIndices" + line;
        case tessaryn::NodeProblem::IndexBeyondPoints:
            return "has a face index beyond its " + counted(report.node.vertexCount, "point") +
                   line;
        case tessaryn::NodeProblem::TimeSampledTopology:
            return "gives its faces over time" + line + ": faces that change cannot keep creases";
        case tessaryn::NodeProblem::HistoryOnly:
            return "holds no mesh data in the file: its mesh is made by its construction history" +
                   (report.line > 0 ? " (connected on line " + number(report.line) + ")" : "") +
                   "; delete its history in Maya and save the scene";
        case tessaryn::NodeProblem::UvsMismatch:
            return "has texture coordinates that do not fit its faces" + line;
        case tessaryn::NodeProblem::None:
            break;
    }
    return "has no points";
}

std::string warnings(const SceneCreaseReport& report) {
    std::string said;
    for (const tessaryn::SceneWarning warning : report.warnings) {
        if (warning == tessaryn::SceneWarning::SubdivisionNone) {
            said +=
                "; note: its subdivisionScheme is \"none\", and readers ignore the creases of "
                "a mesh that is not subdivided";
        }
        if (warning == tessaryn::SceneWarning::NewerCrateVersion)
            said += "; note: the layer is of a newer binary version than this tool knows";
        if (warning == tessaryn::SceneWarning::PackageDataMisaligned)
            said += "; note: the package's layer does not start on a 64-byte boundary";
    }
    return said;
}

// Where the mesh may be instead: the layers a binary layer names.
std::string otherLayers(const SceneCreaseReport& report) {
    if (report.otherLayers.empty()) return std::string();
    std::string said = "; it names other layers, which may hold the mesh: ";
    for (std::size_t i = 0; i < report.otherLayers.size(); ++i)
        said += (i > 0 ? ", " : "") + report.otherLayers[i];
    return said;
}

// What the file --over names is, when it is no override layer of the scene.
std::string foreignOverLayer(const SceneCreaseReport& report) {
    switch (report.foreignOverLayer) {
        case tessaryn::ForeignOverLayer::MayaScene:
            return "it is a Maya ASCII scene";
        case tessaryn::ForeignOverLayer::MayaBinary:
            return "it is a Maya binary scene";
        case tessaryn::ForeignOverLayer::UsdBinary:
            return "it is a binary USD layer, which is never rewritten";
        case tessaryn::ForeignOverLayer::UsdPackage:
            return "it is a USD package (.usdz), which is never rewritten";
        case tessaryn::ForeignOverLayer::NotUsd:
            return "it is no USD layer: it does not start with #usda";
        case tessaryn::ForeignOverLayer::Damaged:
            return "it is a damaged USD layer: what opens on line " + number(report.line) +
                   " is never closed";
        case tessaryn::ForeignOverLayer::NoSublayers:
            return "it names no sublayers";
        case tessaryn::ForeignOverLayer::OtherSublayers:
        case tessaryn::ForeignOverLayer::None:
            break;
    }
    return "it does not name it among its sublayers";
}

std::string done(const SceneCreaseReport& report, const CreaseRun& run) {
    // By its full path: a short name may be one of several.
    const std::string& node = report.node.path;
    if (report.hostScene) {
        if (run.dryRun) {
            return "host scene: " + counted(report.written, "crease edge") + " of " + node +
                   " would be written (value " + report.value + "); " + groups(report, run) +
                   "; nothing written (dry run)";
        }
        std::string said =
            "host scene: " + groups(report, run) + "; creases written to " + report.output;
        if (!run.out.empty()) said += " (" + run.scene + " unchanged)";
        return said;
    }
    std::string said = node + " in " + run.scene + ": ";
    if (!run.over.empty() && !report.changed && report.output.empty()) {
        return said + "already has its " + counted(report.written, "crease edge") + " " +
               values(report, run) + " with the override layer " + run.over + "; " +
               groups(report, run) + warnings(report) + "; unchanged";
    }
    if (!run.over.empty()) {
        return said + counted(report.written, "crease edge") + " written " + values(report, run) +
               " into the override layer " + run.over + ", " + number(report.replaced) +
               " replaced; " + groups(report, run) + "; " + run.scene + " unchanged" +
               warnings(report);
    }
    if (!report.changed) {
        said += "already has its " + counted(report.written, "crease edge") + " " +
                values(report, run) + "; " + groups(report, run) + warnings(report);
        if (!run.out.empty()) return said + "; copied to " + run.out;
        return said + (run.dryRun ? "; nothing written (dry run)" : "; unchanged");
    }
    said += counted(report.written, "crease edge") +
            (run.dryRun ? " would be written " : " written ") + values(report, run) + ", " +
            number(report.replaced) + " replaced";
    if (report.dropped > 0) said += " (" + number(report.dropped) + " on other edges dropped)";
    said += "; " + groups(report, run) + warnings(report);
    if (run.dryRun) return said + "; nothing written (dry run)";
    if (!run.out.empty()) said += "; written to " + run.out;
    return said;
}

std::string refusal(const SceneCreaseReport& report, const CreaseRun& run) {
    const std::string& scene = run.scene;
    const std::string& node = nodeName(report);
    const std::string mesh = meshWord(report);
    const FormatWords& words = wordsFor(report.format);
    const bool usd = words.byPath;
    const std::string line = number(report.line);
    const std::string objVertices = counted(report.objVertices, "vertex position");
    switch (report.outcome) {
        case SceneRefusal::None:
            break;
        case SceneRefusal::Unreadable:
            if (!report.file.empty())
                return "cannot read " + fileAndReason(report.file, report.error, false);
            for (const std::string& path : {run.obj, run.scene}) {
                if (!whyUnreadable(path).empty())
                    return "cannot read " + fileAndReason(path, 0, false);
            }
            return "cannot read " + run.obj + " or " + scene;
        case SceneRefusal::ArgumentsSwapped:
            return run.obj +
                   " is a scene, not an OBJ: the arguments are the wrong way round "
                   "(the OBJ comes first, then the scene)";
        case SceneRefusal::TooManyGroups:
            return run.obj + " has more than " +
                   counted(tessaryn::kMaxCreaseGroups, run.smoothing ? "smoothing group" : "group");
        case SceneRefusal::NoCreaseEdges:
            return run.obj + " has no " + (run.smoothing ? "smoothing-group" : "group") +
                   "-border edge";
        case SceneRefusal::MayaBinary:
            return scene + " is a Maya binary scene: save it as Maya ASCII";
        case SceneRefusal::UsdBinary:
            return scene + " is a binary USD layer that cannot be read: " + report.detail;
        case SceneRefusal::UsdPackage:
            return scene + " is a USD package (.usdz) that cannot be read: " + report.detail +
                   " (its first entry must be a binary USD layer, stored uncompressed)";
        case SceneRefusal::UsdVersion:
            return scene + " is a binary USD layer of version " + report.detail +
                   ", which this tool does not read";
        case SceneRefusal::BinaryNeedsOver:
            return scene +
                   " is a binary USD layer, which is never rewritten: give its creases to an "
                   "override layer with --over OUT.usda";
        case SceneRefusal::BadName:
            return "the name " + report.detail + " on the path of " + node + " in " + scene +
                   " is not one an override layer can carry";
        case SceneRefusal::NotAScene:
            return scene +
                   " is neither a Maya ASCII scene nor a USD ASCII layer: it starts with neither "
                   "//Maya ASCII nor #usda";
        case SceneRefusal::UnterminatedString:
            return scene + ": the string on line " + line +
                   " runs past the end of its line (the scene is damaged)";
        case SceneRefusal::UnterminatedStatement:
            return scene + ": the statement on line " + line + " has no closing ;";
        case SceneRefusal::UnterminatedBlock:
            return scene + ": what opens on line " + line + " is never closed";
        case SceneRefusal::BadEdgeStatement:
            return scene + ": the edge statement on line " + line +
                   " does not hold three whole numbers for each edge of its range, or repeats an "
                   "edge";
        case SceneRefusal::NoMeshNode:
            if (words.namesNodeProblems && report.nodeProblem != tessaryn::NodeProblem::None) {
                return scene + " has no " + mesh + " with points and faces: " + node + " " +
                       primProblem(report);
            }
            // Maya nodes whose mesh is their construction history are the candidates.
            if (!report.candidates.empty())
                return scene + " has no " + mesh + words.meshHas + ": " +
                       nodeList(report.candidates, usd);
            return scene + " has no " + mesh + words.meshHas + otherLayers(report);
        case SceneRefusal::NoSuchNode:
            return scene + " has no " + mesh + " " + run.node + "; its " + mesh +
                   "s: " + nodeList(report.candidates, usd);
        case SceneRefusal::SeveralNamed:
            return "several " + mesh + "s of " + scene + " are named " + run.node + ": " +
                   nodeList(report.candidates, usd) + "; choose one by its path with " +
                   nodeOption(report);
        case SceneRefusal::NodeHoldsNoMesh:
            if (words.namesNodeProblems || report.nodeProblem == tessaryn::NodeProblem::HistoryOnly)
                return node + " in " + scene + " " + primProblem(report);
            // A mesh read whole for an OBJ: what does not hold together in it.
            if (!report.detail.empty()) {
                return node + " in " + scene + " " + report.detail +
                       (report.line > 0 ? " (line " + line + ")" : "");
            }
            return node + " in " + scene + " holds no vertices and edges";
        case SceneRefusal::VertexCountDiffers:
            return run.obj + " has " + objVertices + " but " + node + " has " +
                   counted(report.node.vertexCount, "vertex", "vertices");
        case SceneRefusal::NoFittingNode:
            return run.obj + " has " + objVertices + " but no " + mesh + " of " + scene +
                   " has as many: " + nodeList(report.candidates, usd) + otherLayers(report);
        case SceneRefusal::SeveralFittingNodes:
            return "several " + mesh + "s of " + scene + " have the " +
                   counted(report.objVertices, "vertex", "vertices") + " of " + run.obj + ": " +
                   nodeList(report.candidates, usd) + "; choose one with " + nodeOption(report);
        case SceneRefusal::EdgesNotInNode:
            return number(report.missing) + " of the " +
                   counted(report.creaseEdges, "crease edge") + " of " + run.obj +
                   (report.missing == 1 ? " is not an edge of " : " are not edges of ") + node +
                   (report.hostScene ? " as the host's export matches them (smaller vertex first)"
                                     : "") +
                   ", the first between the OBJ's vertices " + number(report.missingEdge[0]) +
                   " and " + number(report.missingEdge[1]) +
                   ": the OBJ's vertices are not in the " + words.file +
                   "'s order, or it is another mesh";
        case SceneRefusal::PointNotFinite:
            return node + " has a point that is not a finite number" +
                   (report.detail.empty() ? "" : " (" + report.detail + ")");
        case SceneRefusal::FaceTooFewCorners:
            return node + " has a face of fewer than three corners" +
                   (report.detail.empty() ? "" : " (" + report.detail + ")");
        case SceneRefusal::SeveralMeshNodes:
            return "several " + mesh + "s of " + scene + " hold a mesh: " +
                   nodeList(report.candidates, usd) + "; choose one with " + nodeOption(report);
        case SceneRefusal::NoMeshReader:
            return "this tool does not yet read the mesh of a " + std::string(words.file) +
                   " such as " + scene;
        case SceneRefusal::ValueOnHostScene:
            return "--value is for scenes as Maya saved them; " + scene +
                   " is a host scene with the crease placeholder";
        case SceneRefusal::NoPlaceholder:
            return scene + " has no crease placeholder line";
        case SceneRefusal::ExportUnavailable:
            return libraryNotLoaded(run.library, run.libraryError);
        case SceneRefusal::ValueNotPositive:
            return "--value " + run.value +
                   " is not above 0 as a 32-bit float (0, or too small or too large for one), "
                   "and a crease of 0 is no crease";
        case SceneRefusal::OverNeedsUsdLayer:
            return "--over writes a USD override layer, and " + scene + " is no USD layer";
        case SceneRefusal::OverIsTheLayer:
            return "--over " + run.over + " names " + scene +
                   " itself: the override layer is a new file that names the layer as its sublayer";
        case SceneRefusal::OverLayerForeign:
            return "--over " + run.over + " is not an override layer of " + scene + ": " +
                   foreignOverLayer(report);
        case SceneRefusal::OutputIsInput:
            return (run.over.empty() ? "-o " : "--over ") +
                   outputIsInput(report.file, "the OBJ " + run.obj);
        case SceneRefusal::Busy:
            return report.file + " is busy: another run kept it for the whole wait of " +
                   (run.wait == "1" ? "1 second" : run.wait + " seconds") + " (--wait)";
        case SceneRefusal::SceneChanged:
            return (report.file.empty() ? scene : report.file) + " changed while it was being read";
        case SceneRefusal::Unwritable: {
            const std::string& file = report.file.empty() ? scene : report.file;
            // The scene with the OBJ's creases in it: at most both files' bytes.
            const std::uint64_t room = sizeOf(scene) + sizeOf(run.obj);
            return cannotWrite(file, whyNotWritten(file, report.error, room));
        }
        case SceneRefusal::OutOfMemory:
            return "out of memory";
    }
    return std::string();
}

}  // namespace

const FormatWords& wordsFor(tessaryn::SceneFormat format) {
    for (const FormatWords& words : kFormatWords) {
        if (words.format == format) return words;
    }
    return kFormatWords[0];
}

std::string fileAndReason(const std::string& path, int error, bool writing,
                          std::string (*why)(const std::string&)) {
    if (why == nullptr) why = writing ? whyUnwritable : whyUnreadable;
    const std::string reason = error != 0 ? std::string(std::strerror(error)) : why(path);
    if (reason.empty()) return path;
    return path + " (" + reason + ")";
}

std::string creaseSentence(const SceneCreaseReport& report, const CreaseRun& run) {
    if (report.outcome == SceneRefusal::None) return done(report, run);
    return refusal(report, run) + "; nothing changed";
}

const char* refusalKind(SceneRefusal outcome) {
    switch (outcome) {
        case SceneRefusal::None:
            return nullptr;
        case SceneRefusal::Unreadable:
            return "unreadable";
        case SceneRefusal::ArgumentsSwapped:
            return "arguments-swapped";
        case SceneRefusal::TooManyGroups:
            return "too-many-groups";
        case SceneRefusal::NoCreaseEdges:
            return "no-crease-edges";
        case SceneRefusal::MayaBinary:
            return "maya-binary";
        case SceneRefusal::UsdBinary:
            return "usd-binary";
        case SceneRefusal::UsdPackage:
            return "usd-package";
        case SceneRefusal::UsdVersion:
            return "usd-version";
        case SceneRefusal::BinaryNeedsOver:
            return "binary-needs-over";
        case SceneRefusal::BadName:
            return "bad-name";
        case SceneRefusal::NotAScene:
            return "not-a-scene";
        case SceneRefusal::UnterminatedString:
            return "unterminated-string";
        case SceneRefusal::UnterminatedStatement:
            return "unterminated-statement";
        case SceneRefusal::UnterminatedBlock:
            return "unterminated-block";
        case SceneRefusal::BadEdgeStatement:
            return "bad-edge-statement";
        case SceneRefusal::NoMeshNode:
            return "no-mesh-node";
        case SceneRefusal::NoSuchNode:
            return "no-such-node";
        case SceneRefusal::SeveralNamed:
            return "several-named";
        case SceneRefusal::NodeHoldsNoMesh:
            return "node-holds-no-mesh";
        case SceneRefusal::VertexCountDiffers:
            return "vertex-count-differs";
        case SceneRefusal::NoFittingNode:
            return "no-fitting-node";
        case SceneRefusal::SeveralFittingNodes:
            return "several-fitting-nodes";
        case SceneRefusal::EdgesNotInNode:
            return "edges-not-in-node";
        case SceneRefusal::PointNotFinite:
            return "point-not-finite";
        case SceneRefusal::FaceTooFewCorners:
            return "face-too-few-corners";
        case SceneRefusal::SeveralMeshNodes:
            return "several-mesh-nodes";
        case SceneRefusal::NoMeshReader:
            return "no-mesh-reader";
        case SceneRefusal::ValueOnHostScene:
            return "value-on-host-scene";
        case SceneRefusal::NoPlaceholder:
            return "no-placeholder";
        case SceneRefusal::ExportUnavailable:
            return "export-unavailable";
        case SceneRefusal::ValueNotPositive:
            return "value-not-positive";
        case SceneRefusal::OverNeedsUsdLayer:
            return "over-needs-usd-layer";
        case SceneRefusal::OverIsTheLayer:
            return "over-is-the-layer";
        case SceneRefusal::OverLayerForeign:
            return "over-layer-foreign";
        case SceneRefusal::OutputIsInput:
            return "output-is-input";
        case SceneRefusal::Busy:
            return "busy";
        case SceneRefusal::SceneChanged:
            return "scene-changed";
        case SceneRefusal::Unwritable:
            return "unwritable";
        case SceneRefusal::OutOfMemory:
            return "out-of-memory";
    }
    return "unknown";
}

std::vector<const char*> refusalKinds(std::initializer_list<SceneRefusal> outcomes) {
    std::vector<const char*> kinds;
    for (SceneRefusal outcome : outcomes) kinds.push_back(refusalKind(outcome));
    return kinds;
}

std::vector<const char*> creaseRefusalKinds() {
    // Every outcome a crease run can be refused with, in the order the README lists them.
    return refusalKinds({
        SceneRefusal::Unreadable,          SceneRefusal::ArgumentsSwapped,
        SceneRefusal::TooManyGroups,       SceneRefusal::NoCreaseEdges,
        SceneRefusal::MayaBinary,          SceneRefusal::UsdBinary,
        SceneRefusal::UsdPackage,          SceneRefusal::NotAScene,
        SceneRefusal::UnterminatedString,  SceneRefusal::UnterminatedStatement,
        SceneRefusal::UnterminatedBlock,   SceneRefusal::BadEdgeStatement,
        SceneRefusal::UsdVersion,          SceneRefusal::NoMeshNode,
        SceneRefusal::NoSuchNode,          SceneRefusal::SeveralNamed,
        SceneRefusal::NodeHoldsNoMesh,     SceneRefusal::VertexCountDiffers,
        SceneRefusal::NoFittingNode,       SceneRefusal::SeveralFittingNodes,
        SceneRefusal::EdgesNotInNode,      SceneRefusal::ValueOnHostScene,
        SceneRefusal::NoPlaceholder,       SceneRefusal::ExportUnavailable,
        SceneRefusal::OverNeedsUsdLayer,   SceneRefusal::BinaryNeedsOver,
        SceneRefusal::BadName,             SceneRefusal::ValueNotPositive,
        SceneRefusal::OverIsTheLayer,      SceneRefusal::OverLayerForeign,
        SceneRefusal::OutputIsInput,       SceneRefusal::Busy,
        SceneRefusal::SceneChanged,        SceneRefusal::Unwritable,
        SceneRefusal::OutOfMemory,
    });
}

std::string swapSentence(const std::string& source, const tessaryn::SwapLineCounts& from,
                         const std::string& target, const tessaryn::SwapLineCounts& to,
                         tessaryn::SwapRefusal refusal) {
    auto positionsOf = [](const std::string& path, const tessaryn::SwapLineCounts& counts) {
        if (!counts.read) return "cannot read " + fileAndReason(path, 0, false);
        return path + " has " +
               counted(static_cast<std::int64_t>(counts.positions), "vertex position");
    };
    std::string sentence =
        "not swapped: " + positionsOf(source, from) + ", " + positionsOf(target, to);
    using tessaryn::SwapRefusal;
    switch (refusal) {
        case SwapRefusal::SourceUnreadable:
        case SwapRefusal::TargetUnreadable:
            break;
        case SwapRefusal::SourceHasNoPositions:
            sentence += ": " + source + " has none";
            break;
        case SwapRefusal::TargetHasNoPositions:
            sentence += ": " + target + " has none";
            break;
        case SwapRefusal::CountsDiffer:
            sentence += ": the counts differ";
            break;
        case SwapRefusal::TargetHoldsOnlyPositions:
            sentence += ": " + target + " holds nothing but vertex positions and comments";
            break;
        case SwapRefusal::None: {
            // The counts allow the swap: the target could not be written.
            // The source's positions and the target's other lines.
            const WriteFailure why = whyNotWritten(target, 0, sizeOf(source) + sizeOf(target));
            sentence += why.reason.empty() ? ", and the reason cannot be told from the files"
                                           : ": " + cannotWrite(target, why);
            break;
        }
    }
    return sentence + "; nothing changed";
}

std::string commandSentence(Said said, const CommandFacts& facts) {
    const std::string& path = facts.path;
    const std::string& out = facts.out;
    switch (said) {
        case Said::LibraryNotLoaded:
            return libraryNotLoaded(facts.library, facts.reason);
        case Said::CommandMissing:
            return "the library does not have the command " + facts.command + ": " + facts.reason;
        case Said::OutOfMemory:
            return "out of memory; nothing was changed";
        case Said::UnexpectedCode:
            return "unexpected result code " + std::to_string(facts.code);
        case Said::VyxWritten:
            return counted(facts.count, facts.smoothing ? "smoothing group" : "group") + "; " +
                   out + " written";
        case Said::VyxUnreadable:
            return "cannot read " + fileAndReason(path, 0, false);
        case Said::VyxBadIndex:
            return path +
                   " has a face that names a vertex or texture coordinate it does not have; "
                   "nothing written";
        case Said::VyxUnwritable:
            return cannotWriteFrom(out, path, kVyxPerObjByte) + leftAsItWas(out);
        case Said::GroupsWritten:
            return out + " written with smoothing groups as groups";
        case Said::GroupsUnreadable:
            return "cannot read " + fileAndReason(path, 0, false) + "; nothing written";
        case Said::GroupsUnwritable:
            return cannotWriteFrom(out, path, kGroupsPerObjByte) + leftAsItWas(out);
        case Said::Swapped:
            return out + " now has the vertex positions of " + path;
        case Said::OutputIsInput:
            return outputIsInput(out, path) + "; nothing changed";
        case Said::NotListed:
            return "cannot list " + fileAndReason(path, 0, false, whyNotListed);
        case Said::Deleted:
            return path + " deleted";
        case Said::NotDeleted:
            return "cannot delete " + fileAndReason(path, 0, false, whyNotDeleted);
        case Said::SweepDeclined:
            return "nothing deleted";
        case Said::SweepNotListed:
            return "cannot list " + fileAndReason(path, 0, false, whyNotListed) +
                   "; nothing deleted";
        case Said::SweepNotEmptied:
            return "cannot list " + path + "; nothing deleted";
        case Said::SweepNotListedAfter:
            return "cannot list " + path + " after the sweep";
        case Said::SweepDeleted:
            return facts.count == 0 ? "no file deleted" : counted(facts.count, "file") + " deleted";
        case Said::SweepLeft:
            return "could not delete " + counted(facts.count, "file") +
                   " with an extension: " + facts.left;
        case Said::Version:
            return "TessarynDLL version " + number(facts.count);
    }
    return std::string();
}

std::string misuseSentence(Misuse misuse, const MisuseFacts& facts) {
    const std::string& word = facts.word;
    switch (misuse) {
        case Misuse::NoCommand:
            return "no command given";
        case Misuse::UnknownCommand:
            return "unknown command '" + word + "'";
        case Misuse::UnknownOption:
            return "unknown option '" + word + "'" +
                   (facts.command.empty() ? std::string() : " for " + facts.command);
        case Misuse::UnexpectedArgument:
            return "unexpected argument '" + word + "': " + facts.command + " takes " +
                   (facts.detail.empty() ? std::string("no argument") : facts.detail);
        case Misuse::MissingArgument:
            return "missing " + word + " for " + facts.command;
        case Misuse::NeedsValue:
            return word + " needs a value (" + facts.detail + ")";
        case Misuse::EmptyValue:
            return word + " needs a value (" + facts.detail + "), not an empty one";
        case Misuse::BadCreaseValue:
            return "--value needs a decimal above 0, such as 10, 0.5 or 1e3, not '" + word + "'";
        case Misuse::BadWait:
            return "--wait needs a number of seconds of 0 or more, such as 60 or 0.5, not '" +
                   word + "'";
        case Misuse::BadThreads:
            return "--threads takes 1 or 2, not '" + word + "'";
        case Misuse::OutWithDryRun:
            return "-o and --dry-run exclude each other: --dry-run writes nothing";
        case Misuse::OverWith:
            return "--over and " + word +
                   " exclude each other: --over writes an override layer and leaves the layer "
                   "as it is";
        case Misuse::GivenTwice:
            return word == facts.detail
                       ? word + " is given twice"
                       : word + " is given twice: " + facts.detail + " and " + word +
                             " are one option";
        case Misuse::TakesNoValue:
            return word + " takes no value";
        case Misuse::OptionForAValue:
            return word + " needs a value (" + facts.detail + "), not the option '" +
                   facts.command + "'" +
                   (word.compare(0, 2, "--") == 0
                        ? "; write " + word + "=VALUE for a value that starts with -"
                        : std::string("; a file whose name starts with - can be named ./-NAME"));
        case Misuse::SweepJsonNeedsYes:
            return "sweep --json needs --yes: a run whose output a program reads has no one to "
                   "ask before it deletes";
        case Misuse::HelpTakesOne:
            return "help takes one COMMAND";
    }
    return std::string();
}

}  // namespace tool

namespace tool {

const char* saidKind(Said said) {
    switch (said) {
        case Said::LibraryNotLoaded:
            return "library-not-loaded";
        case Said::CommandMissing:
            return "command-missing";
        case Said::OutOfMemory:
            return "out-of-memory";
        case Said::UnexpectedCode:
            return "unexpected-code";
        case Said::VyxUnreadable:
        case Said::GroupsUnreadable:
            return "unreadable";
        case Said::VyxBadIndex:
            return "bad-index";
        case Said::VyxUnwritable:
        case Said::GroupsUnwritable:
            return "unwritable";
        case Said::OutputIsInput:
            return "output-is-input";
        case Said::NotListed:
        case Said::SweepNotListed:
        case Said::SweepNotEmptied:
        case Said::SweepNotListedAfter:
            return "unlistable";
        case Said::NotDeleted:
            return "not-deleted";
        case Said::SweepDeclined:
            return "declined";
        case Said::SweepLeft:
            return "files-left";
        case Said::VyxWritten:
        case Said::GroupsWritten:
        case Said::Swapped:
        case Said::Deleted:
        case Said::SweepDeleted:
        case Said::Version:
            return nullptr;
    }
    return "unknown";
}

const char* swapKind(tessaryn::SwapRefusal refusal) {
    using tessaryn::SwapRefusal;
    switch (refusal) {
        case SwapRefusal::SourceUnreadable:
        case SwapRefusal::TargetUnreadable:
            return "unreadable";
        case SwapRefusal::SourceHasNoPositions:
        case SwapRefusal::TargetHasNoPositions:
            return "no-positions";
        case SwapRefusal::CountsDiffer:
            return "counts-differ";
        case SwapRefusal::TargetHoldsOnlyPositions:
            return "only-positions";
        case SwapRefusal::None:
            return "unwritable";  // the counts allow the swap: the target could not be written
    }
    return "unknown";
}

}  // namespace tool

namespace tool {

namespace {

// The facts of an `obj` report that the crease road's sentences name.
SceneCreaseReport asCreaseReport(const tessaryn::SceneObjReport& report) {
    SceneCreaseReport told;
    told.outcome = report.outcome;
    told.file = report.file;
    told.error = report.error;
    told.line = report.line;
    told.detail = report.detail;
    told.format = report.format;
    told.node = report.node;
    told.nodeProblem = report.nodeProblem;
    told.candidates = report.candidates;
    told.otherLayers = report.otherLayers;
    told.warnings = report.sceneWarnings;
    return told;
}

std::string objDone(const tessaryn::SceneObjReport& report, const ObjRun& run) {
    const SceneCreaseReport told = asCreaseReport(report);
    std::string said = report.node.path + " of " + run.scene + ": " +
                       counted(report.vertices, "vertex", "vertices") + ", ";
    if (report.uvs > 0) said += counted(report.uvs, "texture coordinate") + ", ";
    said += counted(report.faces, "face") + " written to " + run.out;
    if (report.pointsFromTimeSample)
        said += "; the points are their first time sample, as they have no default value";
    // The scene's notes, then the mesh's, as --json lists them.
    said += warnings(told);
    for (const tessaryn::MeshWarning warning : report.warnings) {
        if (warning == tessaryn::MeshWarning::UvsNotPerCorner)
            said += "; note: its texture coordinates are neither per vertex nor per face corner "
                    "(interpolation), and were left out";
        if (warning == tessaryn::MeshWarning::FaceHolesDropped)
            said += "; note: " + counted(report.holedFaces, "face") + " with holes written "
                    "without them";
    }
    return said;
}

}  // namespace

std::string objSentence(const tessaryn::SceneObjReport& report, const ObjRun& run) {
    if (report.outcome == SceneRefusal::None) return objDone(report, run);
    const SceneCreaseReport told = asCreaseReport(report);
    std::string said;
    if (report.outcome == SceneRefusal::OutputIsInput) {
        said = outputIsInput(run.out, "the scene " + run.scene);
    } else if (report.outcome == SceneRefusal::NodeHoldsNoMesh &&
               report.nodeProblem != tessaryn::NodeProblem::None) {
        said = nodeName(told) + " in " + run.scene + " " + primProblem(told);
    } else {
        CreaseRun crease;
        crease.scene = run.scene;
        crease.node = run.node;
        crease.wait = run.wait;
        said = refusal(told, crease);
    }
    return said + "; nothing written";
}

const char* sceneWarningKind(tessaryn::SceneWarning warning) {
    switch (warning) {
        case tessaryn::SceneWarning::SubdivisionNone:
            return "subdivision-none";
        case tessaryn::SceneWarning::NewerCrateVersion:
            return "newer-binary-version";
        case tessaryn::SceneWarning::PackageDataMisaligned:
            return "package-layer-misaligned";
    }
    return "unknown";
}

const char* meshWarningKind(tessaryn::MeshWarning warning) {
    switch (warning) {
        case tessaryn::MeshWarning::PointsFromTimeSample:
            return "points-from-time-sample";
        case tessaryn::MeshWarning::UvsNotPerCorner:
            return "uvs-not-per-corner";
        case tessaryn::MeshWarning::FaceHolesDropped:
            return "face-holes-dropped";
    }
    return "unknown";
}

}  // namespace tool
