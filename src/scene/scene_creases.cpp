#include "scene/scene_creases.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <utility>

#include "base/byte_source.h"
#include "base/file_system.h"
#include "base/line_reader.h"
#include "crease/crease_edge_set.h"
#include "crease/crease_edges_ahead.h"
#include "crease/crease_edges.h"
#include "scene/crease_plan.h"
#include "scene/node_choice.h"
#include "scene/scan_copy.h"
#include "scene/scene_formats.h"
#include "scene/scene_rewrite.h"
#include "scene/scene_scan.h"
#include "scene/transfer_group_creases.h"
#include "scene/usd/usd_override_layer.h"
#include "scene/usd/usd_override_merge.h"

namespace tessaryn {

namespace {

// What the road's stages hand on to each other.
struct Road {
    Road(const SceneCreaseRequest& asked, SceneCreaseReport& told) : request(asked), report(told) {}

    const SceneCreaseRequest& request;
    SceneCreaseReport& report;
    SceneStamp stamp;
    LineReader scene;
    const SceneFormatEntry* format = nullptr;
    CreaseEdgeSet creases;
    std::unique_ptr<ScanCopy> copy;  // the new scene, written during the scan
    SceneFacts facts;
    const SceneNode* node = nullptr;
    CreasePlan plan;
    // An override layer that exists already: the prim's creases join it.
    bool joinsOverLayer = false;
    SceneStamp overStamp;
    OverLayerReading overLayer;
    SceneNode composed;  // the node with the override layer's creases, where it has them
};

// Every stage answers false once the road is refused; the report says why.
bool refuse(SceneCreaseReport& report, SceneRefusal refusal,
            const std::string& file = std::string(), int error = 0) {
    report.outcome = refusal;
    report.file = file;
    report.error = error;
    return false;
}

NodeSummary summaryOf(const SceneNode& node) {
    return {node.path, node.name, node.vertexCount, node.problem == NodeProblem::HistoryOnly};
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

// What the worker behind the host's export came to, in the road's terms.
SceneRefusal refusalOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
            return SceneRefusal::None;
        case Outcome::TooManyGroups:
            return SceneRefusal::TooManyGroups;
        case Outcome::NoCreaseEdges:
            return SceneRefusal::NoCreaseEdges;
        case Outcome::NoPlaceholder:
            return SceneRefusal::NoPlaceholder;
        case Outcome::Unwritable:
            return SceneRefusal::Unwritable;
        default:
            break;
    }
    return SceneRefusal::Unreadable;
}

// The worker behind the host's export, for callers that do not load the library.
HostExportResult callWorker(void*, const std::string& obj, const std::string& scene,
                            bool smoothing) {
    const WorkResult result =
        TransferGroupCreases(obj.c_str(), scene.c_str(), smoothing ? 's' : 'g');
    return {refusalOf(result.outcome), result.outcome == Outcome::Done ? result.count : 0};
}

// The host's road, once the scene was checked: the export rewrites the scene, or a copy
// of it beside OUT that then replaces OUT, so that a failure leaves OUT as it was.
void exportToHostScene(Road& road) {
    const SceneCreaseRequest& request = road.request;
    SceneCreaseReport& report = road.report;
    if (request.dryRun) return;
    const HostExport hostExport = request.hostExport != nullptr ? request.hostExport : callWorker;
    const bool elsewhere = !request.outPath.empty();
    std::string target = request.scenePath;
    Destination destination;
    if (elsewhere) {
        errno = 0;
        if (!inspectDestination(request.outPath.c_str(), destination)) {
            refuse(report, SceneRefusal::Unwritable, request.outPath, errno);
            return;
        }
        const std::size_t slash = destination.path.find_last_of(kPathSeparators);
        target =
            (slash == std::string::npos ? std::string() : destination.path.substr(0, slash + 1)) +
            ".tessaryn-" + std::to_string(processNumber()) + "-export.tmp";
        int error = 0;
        const SceneRefusal copied =
            rewriteScene(request.scenePath, target, {}, {}, road.stamp, error);
        if (copied != SceneRefusal::None) {
            refuse(report, copied,
                   copied == SceneRefusal::Unwritable ? request.outPath : request.scenePath, error);
            return;
        }
    }
    const HostExportResult result =
        hostExport(request.hostContext, request.objPath, target, request.smoothing);
    if (result.outcome != SceneRefusal::None) {
        if (elsewhere) deleteFile(target.c_str());
        const bool written = result.outcome == SceneRefusal::Unwritable;
        refuse(report, result.outcome,
               written ? (elsewhere ? request.outPath : request.scenePath) : std::string());
        return;
    }
    if (elsewhere) {
        errno = 0;
        if (!replaceDestination(target, destination)) {
            const int error = errno;
            deleteFile(target.c_str());
            refuse(report, SceneRefusal::Unwritable, request.outPath, error);
            return;
        }
        const std::size_t slash = destination.path.find_last_of(kPathSeparators);
        syncFolder(slash == std::string::npos ? std::string() : destination.path.substr(0, slash));
    }
    report.groups = result.groups;
    report.output = elsewhere ? request.outPath : request.scenePath;
}

// The statements a node placed during the scan gets if every crease edge is its edge: a
// run in which one is not is refused anyway.
GuessedStatements guessedStatements(const SceneNode& placed, const CreaseEdgeSet& creases,
                                    std::string_view value, const SceneFormatEntry& format) {
    SceneNode node = placed;
    node.hits.reserve(creases.size());
    for (std::size_t i = 0; i < creases.size(); ++i)
        node.hits.push_back(CreaseHit{static_cast<std::int32_t>(i), 0, true});
    const CreasePlan plan = planCreases(node, creases, value, false);
    return {format.statements(node, plan.creases), plan.unchanged};
}

// Stage 1: the inputs' first bytes. The OBJ must be no scene; the scene's tell its form,
// and a form that cannot be read is refused before the OBJ is read. The scene is opened
// once: the scanner reads on from there.
bool tellFormat(Road& road) {
    const SceneCreaseRequest& request = road.request;
    int error = 0;
    std::string objHead;
    if (!readHead(request.objPath, objHead, error))
        return refuse(road.report, SceneRefusal::Unreadable, request.objPath, error);
    if (sniffSceneFormat(objHead) != nullptr)
        return refuse(road.report, SceneRefusal::ArgumentsSwapped, request.objPath);
    road.stamp = stampScene(request.scenePath);
    errno = 0;
    if (!road.scene.open(request.scenePath.c_str()))
        return refuse(road.report, SceneRefusal::Unreadable, request.scenePath, errno);
    road.format = sniffSceneFormat(road.scene.unread());
    if (road.format != nullptr) {
        road.report.format = road.format->format;
        road.report.formatKnown = true;
    }
    if (road.format == nullptr || road.format->refused != SceneRefusal::None) {
        road.report.line = 1;
        return refuse(road.report,
                      road.format == nullptr ? SceneRefusal::NotAScene : road.format->refused,
                      request.scenePath);
    }
    return true;
}

// Stage 2: no output that is the OBJ, and what the request asks of the format.
bool checkRequest(Road& road) {
    const SceneCreaseRequest& request = road.request;
    const SceneFormatEntry& format = *road.format;
    // Checked before anything else the request asks: nothing may replace the OBJ.
    for (const std::string* output : {&request.outPath, &request.overPath}) {
        if (!output->empty() && sameFile(*output, request.objPath))
            return refuse(road.report, SceneRefusal::OutputIsInput, *output);
    }
    // A crease of 0 is no crease in every format: readCreaseValue gives "0" for every value
    // that is none as a 32-bit float.
    if (request.value == "0")
        return refuse(road.report, SceneRefusal::ValueNotPositive, request.scenePath);
    if (!format.rewritesInPlace && request.overPath.empty() && !request.dryRun)
        return refuse(road.report, SceneRefusal::BinaryNeedsOver, request.scenePath);
    if (request.overPath.empty()) return true;
    if (!format.takesOverrideLayer)
        return refuse(road.report, SceneRefusal::OverNeedsUsdLayer, request.scenePath);
    if (overrideNamesTheLayer(request.scenePath.c_str(), request.overPath.c_str()))
        return refuse(road.report, SceneRefusal::OverIsTheLayer, request.overPath);
    return true;
}

// Stage 3: the OBJ's crease edges, as a set that answers in the scene's numbering. It
// may run on a second thread beside the scan: it writes only its own record and the set,
// and tells the set ready when done; the road reads the record after the join.
struct ObjPass {
    const SceneCreaseRequest* request = nullptr;
    CreaseEdgeSet* creases = nullptr;
    CreaseEdgesAhead* ahead = nullptr;
    SceneRefusal refusal = SceneRefusal::None;
    int error = 0;  // the system's error number, as this pass's thread saw it
    std::int32_t groups = 0;
    std::int64_t objVertices = 0;
    std::int64_t creaseEdges = 0;
    std::exception_ptr failure;  // exhausted memory, handed to the road's thread
};

void collectObjCreaseEdges(ObjPass& pass) {
    const SceneCreaseRequest& request = *pass.request;
    try {
        CreaseEdges edges;
        errno = 0;
        switch (CollectCreaseEdges(request.objPath.c_str(), request.smoothing ? 's' : 'g', edges)) {
            case Outcome::Done:
                pass.groups = edges.groupCount;
                pass.objVertices = edges.vertexPositions;
                pass.creaseEdges = static_cast<std::int64_t>(edges.edges.size());
                *pass.creases =
                    CreaseEdgeSet::fromObjNumbers(std::move(edges.edges), edges.vertexPositions);
                break;
            case Outcome::TooManyGroups:
                pass.refusal = SceneRefusal::TooManyGroups;
                break;
            case Outcome::NoCreaseEdges:
                pass.refusal = SceneRefusal::NoCreaseEdges;
                break;
            default:
                pass.refusal = SceneRefusal::Unreadable;
                pass.error = errno;
                break;
        }
    } catch (...) {
        pass.failure = std::current_exception();
    }
    if (pass.ahead != nullptr) pass.ahead->markReady();
}

void runObjPass(void* context) {
    collectObjCreaseEdges(*static_cast<ObjPass*>(context));
}

// What the OBJ's pass came to, into the report; false when it refused the run.
bool takeObjPass(Road& road, const ObjPass& pass) {
    if (pass.failure) std::rethrow_exception(pass.failure);
    if (pass.refusal != SceneRefusal::None)
        return refuse(road.report, pass.refusal, road.request.objPath, pass.error);
    road.report.groups = pass.groups;
    road.report.objVertices = pass.objVertices;
    road.report.creaseEdges = pass.creaseEdges;
    return true;
}

// Stage 4: the scanner reads the scene once. Where it tells early where the statements go,
// the new scene is written during the scan; the guess is checked once the road decides.
bool scanScene(Road& road, const CreaseEdgesAhead& creases) {
    const SceneCreaseRequest& request = road.request;
    const SceneFormatEntry& format = *road.format;
    if (format.placesAsItScans && format.rewritesInPlace && !request.dryRun &&
        request.overPath.empty()) {
        road.copy = std::make_unique<ScanCopy>(
            request.scenePath, request.node, !request.outPath.empty(),
            [&road](const SceneNode& placed) {
                return guessedStatements(placed, road.creases, road.request.value, *road.format);
            });
        if (!road.copy->open(request.outPath.empty() ? request.scenePath : request.outPath))
            road.copy.reset();
    }
    int error = 0;
    road.facts =
        scanOpenedScene(format, road.scene, request.scenePath, creases, road.copy.get(), error);
    if (error != 0) return refuse(road.report, SceneRefusal::Unreadable, request.scenePath, error);
    road.stamp.size = road.facts.size;
    SceneCreaseReport& report = road.report;
    report.detail = road.facts.problemDetail;
    report.otherLayers = road.facts.otherLayers;
    report.warnings = road.facts.warnings;
    if (road.facts.problem != SceneRefusal::None) {
        report.line = road.facts.problemLine;
        const bool unreadable = road.facts.problem == SceneRefusal::Unreadable;
        return refuse(report, road.facts.problem, request.scenePath, unreadable ? EIO : 0);
    }
    report.hostScene = road.facts.hostPlaceholder;
    return true;
}

// What the scan found that the request cannot have: a value for the host's scene.
bool checkScan(Road& road) {
    if (road.report.hostScene && !road.request.value.empty())
        return refuse(road.report, SceneRefusal::ValueOnHostScene, road.request.scenePath);
    return true;
}

// Stages 3 and 4 in turn: the OBJ's pass, then the scan.
bool collectThenScan(Road& road, ObjPass& pass, const CreaseEdgesAhead& creases) {
    collectObjCreaseEdges(pass);
    return takeObjPass(road, pass) && scanScene(road, creases) && checkScan(road);
}

// Stages 3 and 4: in turn, or, on a thread the caller lent, the OBJ's pass beside the
// scan, the scan holding back what needs the crease edges until they are complete. Either
// way an OBJ that is refused is what the run is refused for.
bool collectAndScan(Road& road) {
    ObjPass pass;
    pass.request = &road.request;
    pass.creases = &road.creases;
    const SecondThread* thread = road.request.secondThread;
    if (thread == nullptr) return collectThenScan(road, pass, road.creases);
    CreaseEdgesAhead ahead(road.creases, *thread);
    pass.ahead = &ahead;
    // Taken before the thread starts: nothing between its start and the join may throw
    // past the join, or the pass would write into what is gone.
    const SceneCreaseReport before = road.report;
    if (!thread->start(thread->self, runObjPass, &pass)) return collectThenScan(road, pass, ahead);
    bool scanned = false;
    try {
        scanned = scanScene(road, ahead);
    } catch (...) {
        thread->join(thread->self);  // the pass must not outlive what it writes into
        throw;
    }
    thread->join(thread->self);
    if (pass.failure || pass.refusal != SceneRefusal::None) {
        road.copy.reset();
        road.report = before;  // nothing the scan found speaks for an OBJ refused
    }
    if (!takeObjPass(road, pass)) return false;
    return scanned && checkScan(road);
}

// Stage 5: the node that takes the creases.
bool chooseNode(Road& road) {
    SceneCreaseReport& report = road.report;
    const NodeChoice choice = chooseSceneNode(road.facts, road.request.node, report.objVertices);
    if (choice.node != nullptr) report.node = summaryOf(*choice.node);
    for (const SceneNode* candidate : choice.candidates)
        report.candidates.push_back(summaryOf(*candidate));
    if (choice.problem == SceneRefusal::NodeHoldsNoMesh) {
        report.nodeProblem = choice.node->problem;
        report.line = choice.node->problemLine;
    }
    // No node holds a mesh: the first that has a problem tells why.
    for (const SceneNode& each : road.facts.nodes) {
        if (choice.problem != SceneRefusal::NoMeshNode || each.problem == NodeProblem::None)
            continue;
        report.node = summaryOf(each);
        report.nodeProblem = each.problem;
        report.line = each.problemLine;
        break;
    }
    if (choice.problem != SceneRefusal::None)
        return refuse(report, choice.problem, road.request.scenePath);
    road.node = choice.node;
    report.warnings.insert(report.warnings.end(), road.node->warnings.begin(),
                           road.node->warnings.end());
    return true;
}

// Stage 5b: the existing override layer, which must be one of the scene, and the prim in
// it. Its creases there, where it has crease statements, are the ones the stage
// composes: they count as the node's creases.
bool findInOverLayer(Road& road) {
    const SceneCreaseRequest& request = road.request;
    std::error_code error;
    road.joinsOverLayer =
        !request.overPath.empty() && std::filesystem::is_regular_file(request.overPath, error);
    if (!road.joinsOverLayer) return true;
    SceneCreaseReport& report = road.report;
    const SceneNode& node = *road.node;
    const std::string badName =
        node.unfitName.empty() ? unfitPrimPathName(node.path) : node.unfitName;
    if (!badName.empty()) {
        report.detail = badName;
        return refuse(report, SceneRefusal::BadName, request.overPath);
    }
    road.overStamp = stampScene(request.overPath);
    road.overLayer =
        readOverrideLayer(request.scenePath, request.overPath, node.path, road.creases);
    const OverLayerReading& reading = road.overLayer;
    road.overStamp.size = reading.size;
    if (reading.refusal != SceneRefusal::None) {
        report.foreignOverLayer = reading.foreign;
        report.line = reading.line;
        return refuse(report, reading.refusal, request.overPath, reading.error);
    }
    const LayerOutline& outline = reading.outline;
    if (outline.tracked && !outline.prim.creaseStatements.empty()) {
        road.composed = node;
        road.composed.creases = outline.prim.creases;
        road.node = &road.composed;
    }
    return true;
}

// Stage 6: what the node's creases become. The host's export matches an edge only as
// written smaller vertex first, and writes its own value.
bool planNodeCreases(Road& road) {
    SceneCreaseReport& report = road.report;
    road.plan =
        planCreases(*road.node, road.creases,
                    report.hostScene ? kHostCreaseValue : std::string_view(road.request.value),
                    report.hostScene);
    const CreasePlan& plan = road.plan;
    report.replaced = plan.replaced;
    report.kept = plan.kept;
    report.dropped = plan.dropped;
    report.missing = plan.missing;
    if (plan.missing > 0) {
        const EdgeKey first = road.creases.edge(plan.firstMissing);
        report.missingEdge[0] = CreaseEdgeSet::objNumber(static_cast<std::int32_t>(first >> 32));
        report.missingEdge[1] =
            CreaseEdgeSet::objNumber(static_cast<std::int32_t>(first & 0xFFFFFFFFu));
        return refuse(report, SceneRefusal::EdgesNotInNode, road.request.scenePath);
    }
    report.written = static_cast<std::int64_t>(plan.creases.size());
    report.changed = report.hostScene || !plan.unchanged;  // the placeholder gives way
    return true;
}

// Stage 7: the creases written: through the host's export, into an override layer, or
// into the scene (in place or elsewhere); nothing at all for a dry run, and nothing in
// place when nothing changes.
void writeCreases(Road& road) {
    const SceneCreaseRequest& request = road.request;
    SceneCreaseReport& report = road.report;
    if (report.hostScene) {
        report.value = std::string(kHostCreaseValue);
        exportToHostScene(road);
        return;
    }
    const SceneNode& node = *road.node;
    const CreasePlan& plan = road.plan;
    if (road.joinsOverLayer) {
        // Nothing written when the stage already has these creases.
        if (request.dryRun || plan.unchanged) return;
        const LayerEdit edit =
            overrideLayerEdit(road.overLayer.outline, node.path, plan.creases, road.overStamp.size);
        int error = 0;
        const SceneRefusal rewritten = rewriteScene(request.overPath, request.overPath, edit.ranges,
                                                    edit.text, road.overStamp, error);
        if (rewritten != SceneRefusal::None) {
            refuse(report, rewritten, request.overPath, error);
            return;
        }
        report.output = request.overPath;
        return;
    }
    if (!request.overPath.empty()) {
        errno = 0;
        const SceneRefusal written =
            writeUsdOverrideLayer(request.scenePath.c_str(), request.overPath.c_str(), road.facts,
                                  node, plan.creases, report.detail);
        if (written != SceneRefusal::None) {
            refuse(report, written, request.overPath,
                   written == SceneRefusal::Unwritable ? errno : 0);
            return;
        }
        report.output = request.overPath;
        return;
    }
    if (request.dryRun || (plan.unchanged && request.outPath.empty())) return;
    std::vector<ByteRange> ranges;
    std::string text;
    if (!plan.unchanged) {
        ranges = node.creaseStatements;
        if (ranges.empty()) ranges.push_back({node.insertAt, node.insertAt});
        text = road.format->statements(node, plan.creases);
    }
    const std::string& destination = request.outPath.empty() ? request.scenePath : request.outPath;
    int error = 0;
    SceneRefusal rewritten = SceneRefusal::None;
    if (road.copy != nullptr && road.copy->guessed(node.path, ranges, text)) {
        rewritten = road.copy->finish(road.stamp, error);
    } else {
        road.copy.reset();  // the scene is copied again, and must not be held open meanwhile
        rewritten = rewriteScene(request.scenePath, destination, ranges, text, road.stamp, error);
    }
    if (rewritten != SceneRefusal::None) {
        refuse(report, rewritten,
               rewritten == SceneRefusal::Unwritable ? destination : request.scenePath, error);
        return;
    }
    report.output = destination;
}

}  // namespace

SceneCreaseReport writeSceneCreases(const SceneCreaseRequest& request) {
    SceneCreaseReport report;
    report.value = request.value.empty() ? std::string(kDefaultCreaseValue) : request.value;
    Road road(request, report);
    if (tellFormat(road) && checkRequest(road) && collectAndScan(road) && chooseNode(road) &&
        findInOverLayer(road) && planNodeCreases(road))
        writeCreases(road);
    return report;
}

}  // namespace tessaryn
