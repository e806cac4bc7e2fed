#include "scene/scene_creases.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>
#include <utility>

#include "base/file_system.h"
#include "base/line_reader.h"
#include "crease/crease_edge_set.h"
#include "crease/crease_edges.h"
#include "scene/crease_plan.h"
#include "scene/node_choice.h"
#include "scene/scan_copy.h"
#include "scene/scene_formats.h"
#include "scene/scene_rewrite.h"
#include "scene/transfer_group_creases.h"
#include "scene/usd/usd_override_layer.h"

namespace tessaryn {

namespace {

using Verdict = SceneCreaseOutcome;

SceneCreaseReport& failed(SceneCreaseReport& report, SceneCreaseOutcome outcome,
                          const std::string& file = std::string(), int error = 0) {
    report.outcome = outcome;
    report.file = file;
    report.error = error;
    return report;
}

SceneCreaseOutcome outcomeOf(SceneProblem problem) {
    switch (problem) {
        case SceneProblem::MayaBinary:
            return Verdict::MayaBinary;
        case SceneProblem::UsdBinary:
            return Verdict::UsdBinary;
        case SceneProblem::UsdPackage:
            return Verdict::UsdPackage;
        case SceneProblem::UnterminatedString:
            return Verdict::UnterminatedString;
        case SceneProblem::UnterminatedStatement:
            return Verdict::UnterminatedStatement;
        case SceneProblem::UnterminatedBlock:
            return Verdict::UnterminatedBlock;
        case SceneProblem::BadEdgeStatement:
            return Verdict::BadEdgeStatement;
        case SceneProblem::Unreadable:
            return Verdict::Unreadable;
        case SceneProblem::UnknownFormat:
        case SceneProblem::None:
            break;
    }
    return Verdict::NotAScene;
}

SceneCreaseOutcome outcomeOf(NodeChoiceProblem problem) {
    switch (problem) {
        case NodeChoiceProblem::NoMeshNode:
            return Verdict::NoMeshNode;
        case NodeChoiceProblem::NoSuchNode:
            return Verdict::NoSuchNode;
        case NodeChoiceProblem::SeveralNamed:
            return Verdict::SeveralNamed;
        case NodeChoiceProblem::HoldsNoMesh:
            return Verdict::NodeHoldsNoMesh;
        case NodeChoiceProblem::VertexCountDiffers:
            return Verdict::VertexCountDiffers;
        case NodeChoiceProblem::NoneFits:
            return Verdict::NoFittingNode;
        case NodeChoiceProblem::SeveralFit:
            return Verdict::SeveralFittingNodes;
        case NodeChoiceProblem::None:
            break;
    }
    return Verdict::Done;
}

NodeSummary summaryOf(const SceneNode& node) {
    return {node.path, node.name, node.vertexCount};
}

// The first bytes of `path`, enough to tell a scene's header; false with the system's
// error number when it cannot be read.
bool readHead(const std::string& path, std::string& head, int& error) {
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         std::fclose);
    char bytes[16] = {};
    const std::size_t got = file == nullptr ? 0 : std::fread(bytes, 1, sizeof bytes, file.get());
    if (file == nullptr || std::ferror(file.get()) != 0) {
        error = errno;
        return false;
    }
    head.assign(bytes, got);
    return true;
}

SceneCreaseOutcome rewriteOutcome(SceneRewrite rewrite) {
    switch (rewrite) {
        case SceneRewrite::Written:
            return Verdict::Done;
        case SceneRewrite::Changed:
            return Verdict::SceneChanged;
        case SceneRewrite::Unreadable:
            return Verdict::Unreadable;
        case SceneRewrite::Unwritable:
            break;
    }
    return Verdict::Unwritable;
}

// The worker behind the host's export, for callers that do not load the library.
HostExportResult callWorker(void*, const std::string& obj, const std::string& scene,
                            bool smoothing) {
    const WorkResult result =
        TransferGroupCreases(obj.c_str(), scene.c_str(), smoothing ? 's' : 'g');
    switch (result.outcome) {
        case Outcome::Done:
            return {Verdict::Done, result.count};
        case Outcome::TooManyGroups:
            return {Verdict::TooManyGroups, 0};
        case Outcome::NoCreaseEdges:
            return {Verdict::NoCreaseEdges, 0};
        case Outcome::NoPlaceholder:
            return {Verdict::NoPlaceholder, 0};
        case Outcome::Unwritable:
            return {Verdict::Unwritable, 0};
        default:
            break;
    }
    return {Verdict::Unreadable, 0};
}

// The host's road, once the scene was checked: the export rewrites the scene, or a copy
// of it beside OUT that then replaces OUT, so that a failure leaves OUT as it was.
SceneCreaseReport& exportToHostScene(const SceneCreaseRequest& request, const SceneStamp& stamp,
                                     SceneCreaseReport& report) {
    if (request.dryRun) return report;
    const HostExport hostExport = request.hostExport != nullptr ? request.hostExport : callWorker;
    const bool elsewhere = !request.outPath.empty();
    std::string target = request.scenePath;
    Destination destination;
    if (elsewhere) {
        errno = 0;
        if (!inspectDestination(request.outPath.c_str(), destination))
            return failed(report, Verdict::Unwritable, request.outPath, errno);
        const std::size_t slash = destination.path.find_last_of(kPathSeparators);
        target =
            (slash == std::string::npos ? std::string() : destination.path.substr(0, slash + 1)) +
            ".tessaryn-" + std::to_string(processNumber()) + "-export.tmp";
        int error = 0;
        const SceneCreaseOutcome copied =
            rewriteOutcome(rewriteScene(request.scenePath, target, {}, {}, stamp, error));
        if (copied != Verdict::Done) {
            return failed(report, copied,
                          copied == Verdict::Unwritable ? request.outPath : request.scenePath,
                          error);
        }
    }
    const HostExportResult result =
        hostExport(request.hostContext, request.objPath, target, request.smoothing);
    if (result.outcome != Verdict::Done) {
        if (elsewhere) deleteFile(target.c_str());
        const bool written = result.outcome == Verdict::Unwritable;
        return failed(report, result.outcome,
                      written ? (elsewhere ? request.outPath : request.scenePath) : std::string());
    }
    if (elsewhere) {
        errno = 0;
        if (!replaceDestination(target, destination)) {
            const int error = errno;
            deleteFile(target.c_str());
            return failed(report, Verdict::Unwritable, request.outPath, error);
        }
        const std::size_t slash = destination.path.find_last_of(kPathSeparators);
        syncFolder(slash == std::string::npos ? std::string() : destination.path.substr(0, slash));
    }
    report.groups = result.groups;
    report.output = elsewhere ? request.outPath : request.scenePath;
    return report;
}

// The layer's creases go into a new override layer; the layer itself is only read.
SceneCreaseReport& writeOverrideLayer(const SceneCreaseRequest& request, const SceneFacts& facts,
                                      const SceneNode& node, const CreasePlan& plan,
                                      SceneCreaseReport& report) {
    errno = 0;
    switch (writeUsdOverrideLayer(request.scenePath.c_str(), request.overPath.c_str(), facts, node,
                                  plan.creases)) {
        case OverrideLayerResult::Written:
            report.output = request.overPath;
            return report;
        case OverrideLayerResult::NamesTheLayer:
            return failed(report, Verdict::OverIsTheLayer, request.overPath);
        case OverrideLayerResult::Unwritable:
            break;
    }
    return failed(report, Verdict::Unwritable, request.overPath, errno);
}

// The statements a node placed during the scan gets if every crease edge is its edge: a
// run in which one is not is refused anyway.
std::string guessedStatements(const SceneNode& placed, const CreaseEdgeSet& creases,
                              std::string_view value, const SceneFormatEntry& format) {
    SceneNode node = placed;
    node.hits.reserve(creases.size());
    for (std::size_t i = 0; i < creases.size(); ++i)
        node.hits.push_back(CreaseHit{static_cast<std::int32_t>(i), 0, true});
    return format.statements(node, planCreases(node, creases, value, false).creases);
}

}  // namespace

SceneCreaseReport writeSceneCreases(const SceneCreaseRequest& request) {
    SceneCreaseReport report;
    report.value = request.value.empty() ? std::string(kDefaultCreaseValue) : request.value;
    int error = 0;
    std::string objHead;
    if (!readHead(request.objPath, objHead, error))
        return failed(report, Verdict::Unreadable, request.objPath, error);
    if (startsAsScene(objHead)) return failed(report, Verdict::ArgumentsSwapped, request.objPath);

    // The scene is opened once: its first bytes tell its format, a binary one is refused
    // before the OBJ is read, and the scanner reads on from there.
    SceneStamp stamp = stampScene(request.scenePath);
    LineReader scene;
    errno = 0;
    if (!scene.open(request.scenePath.c_str()))
        return failed(report, Verdict::Unreadable, request.scenePath, errno);
    SceneProblem problem = SceneProblem::None;
    const SceneFormatEntry* format = sniffSceneFormat(scene.unread(), problem);
    if (format == nullptr) {
        report.line = 1;
        return failed(report, outcomeOf(problem), request.scenePath);
    }
    report.format = format->format;
    // A USD sharpness of 0 is a smooth edge: creases at 0 would be no creases at all.
    if (format->format == SceneFormat::Usd && request.value == "0")
        return failed(report, Verdict::ValueNotPositive, request.scenePath);
    if (!request.overPath.empty() && format->format != SceneFormat::Usd)
        return failed(report, Verdict::OverNeedsUsdLayer, request.scenePath);
    if (!request.overPath.empty() &&
        overrideNamesTheLayer(request.scenePath.c_str(), request.overPath.c_str()))
        return failed(report, Verdict::OverIsTheLayer, request.overPath);

    CreaseEdges edges;
    errno = 0;
    switch (CollectCreaseEdges(request.objPath.c_str(), request.smoothing ? 's' : 'g', edges)) {
        case Outcome::Done:
            break;
        case Outcome::TooManyGroups:
            return failed(report, Verdict::TooManyGroups, request.objPath);
        case Outcome::NoCreaseEdges:
            return failed(report, Verdict::NoCreaseEdges, request.objPath);
        default:
            return failed(report, Verdict::Unreadable, request.objPath, errno);
    }
    report.groups = edges.groupCount;
    report.objVertices = edges.vertexPositions;
    report.creaseEdges = static_cast<std::int64_t>(edges.edges.size());
    // The OBJ's vertices are numbered from 1 up to its count of positions.
    const auto reach = static_cast<std::uint32_t>(std::min<std::int64_t>(
        edges.vertexPositions + 1, std::numeric_limits<std::int32_t>::max()));
    const CreaseEdgeSet creases(std::move(edges.edges), reach);

    // The new scene is written while the scene is read, where its scanner tells early
    // where the statements go; the guess is checked once the scan is done.
    const std::string& destination = request.outPath.empty() ? request.scenePath : request.outPath;
    std::unique_ptr<ScanCopy> copy;
    if (format->placesAsItScans && !request.dryRun && request.overPath.empty()) {
        copy = std::make_unique<ScanCopy>(
            request.scenePath, request.node, [&](const SceneNode& placed) {
                return guessedStatements(placed, creases, request.value, *format);
            });
        if (!copy->open(destination)) copy.reset();
    }
    const SceneFacts facts = format->scan(scene, creases, copy.get());
    scene.close();
    stamp.size = facts.size;
    if (facts.problem != SceneProblem::None) {
        report.line = facts.problemLine;
        const bool unreadable = facts.problem == SceneProblem::Unreadable;
        return failed(report, outcomeOf(facts.problem), request.scenePath, unreadable ? EIO : 0);
    }
    report.hostScene = facts.hostPlaceholder;
    if (report.hostScene && !request.value.empty())
        return failed(report, Verdict::ValueOnHostScene, request.scenePath);

    const NodeChoice choice = chooseSceneNode(facts, request.node, report.objVertices);
    if (choice.node != nullptr) report.node = summaryOf(*choice.node);
    for (const SceneNode* candidate : choice.candidates)
        report.candidates.push_back(summaryOf(*candidate));
    if (choice.problem == NodeChoiceProblem::HoldsNoMesh) {
        report.nodeProblem = choice.node->problem;
        report.line = choice.node->problemLine;
    }
    // No node holds a mesh: the first that has a problem tells why.
    for (const SceneNode& each : facts.nodes) {
        if (choice.problem != NodeChoiceProblem::NoMeshNode || each.problem == NodeProblem::None)
            continue;
        report.node = summaryOf(each);
        report.nodeProblem = each.problem;
        report.line = each.problemLine;
        break;
    }
    if (choice.problem != NodeChoiceProblem::None)
        return failed(report, outcomeOf(choice.problem), request.scenePath);
    const SceneNode& node = *choice.node;
    report.warnings = node.warnings;

    // The host's export matches an edge only as written smaller vertex first, and writes
    // its own value.
    const CreasePlan plan = planCreases(
        node, creases, report.hostScene ? kHostCreaseValue : std::string_view(request.value),
        report.hostScene);
    report.replaced = plan.replaced;
    report.kept = plan.kept;
    report.dropped = plan.dropped;
    report.missing = plan.missing;
    if (plan.missing > 0) {
        const EdgeKey first = creases.edge(plan.firstMissing);
        report.missingEdge[0] = static_cast<std::int32_t>(first >> 32);
        report.missingEdge[1] = static_cast<std::int32_t>(first & 0xFFFFFFFFu);
        return failed(report, Verdict::EdgesNotInNode, request.scenePath);
    }
    report.written = static_cast<std::int64_t>(plan.creases.size());
    if (report.hostScene) {
        report.value = std::string(kHostCreaseValue);
        report.changed = true;  // the placeholder gives way to the statement
        return exportToHostScene(request, stamp, report);
    }

    report.changed = !plan.unchanged;
    if (!request.overPath.empty()) return writeOverrideLayer(request, facts, node, plan, report);
    if (request.dryRun || (plan.unchanged && request.outPath.empty())) return report;
    std::vector<ByteRange> ranges;
    std::string text;
    if (!plan.unchanged) {
        ranges = node.creaseStatements;
        if (ranges.empty()) ranges.push_back({node.insertAt, node.insertAt});
        text = format->statements(node, plan.creases);
    }
    SceneCreaseOutcome rewritten = Verdict::Done;
    if (copy != nullptr && copy->guessed(node.path, ranges, text)) {
        rewritten = rewriteOutcome(copy->finish(stamp, error));
    } else {
        copy.reset();  // the scene is copied again, and must not be held open meanwhile
        rewritten = rewriteOutcome(
            rewriteScene(request.scenePath, destination, ranges, text, stamp, error));
    }
    if (rewritten != Verdict::Done) {
        return failed(report, rewritten,
                      rewritten == Verdict::Unwritable ? destination : request.scenePath, error);
    }
    report.output = destination;
    return report;
}

}  // namespace tessaryn
