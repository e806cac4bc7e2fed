#include "tools/creases_command.h"

#include <cstdio>
#include <cstdlib>

#include "base/file_lock.h"
#include "scene/crease_plan.h"
#include "scene/scene_creases.h"
#include "tessaryn.h"
#include "tools/json_object.h"
#include "tools/locked_road.h"
#include "tools/second_thread.h"
#include "tools/sentences.h"
#include "tools/wait_seconds.h"

namespace tool {

namespace {

using tessaryn::HostExportResult;
using tessaryn::SceneCreaseReport;
using tessaryn::SceneRefusal;

// The host's export through the library, exactly as the host calls it.
HostExportResult callGetCreases(void* context, const std::string& obj, const std::string& scene,
                                bool smoothing) {
    library_loader::Library* library = static_cast<LazyLibrary*>(context)->get();
    library_loader::Command getCreases = library != nullptr ? library->find("GetCreases") : nullptr;
    if (getCreases == nullptr) return {SceneRefusal::ExportUnavailable, 0};
    std::vector<char> buffer(scene.begin(), scene.end());
    buffer.resize(scene.size() + TESSARYN_NAME_BUFFER_SIZE, '\0');
    const float code = getCreases(obj.c_str(), smoothing ? 1.0 : 0.0, buffer.data(),
                                  static_cast<int>(buffer.size()));
    if (code >= 1.0f) return {SceneRefusal::None, static_cast<std::int32_t>(code)};
    if (code == TESSARYN_FAILED) return {SceneRefusal::Unreadable, 0};
    if (code == TESSARYN_CANNOT_WRITE) return {SceneRefusal::Unwritable, 0};
    if (code == TESSARYN_TOO_MANY_GROUPS) return {SceneRefusal::TooManyGroups, 0};
    if (code == TESSARYN_NO_CREASE_EDGES) return {SceneRefusal::NoCreaseEdges, 0};
    if (code == TESSARYN_NO_PLACEHOLDER) return {SceneRefusal::NoPlaceholder, 0};
    if (code == TESSARYN_UNEXPECTED) return {SceneRefusal::OutOfMemory, 0};
    return {SceneRefusal::Unreadable, 0};  // as the worker's own road answers an unknown result
}

std::string nodesJson(const std::vector<tessaryn::NodeSummary>& nodes) {
    std::string json = "[";
    for (const tessaryn::NodeSummary& node : nodes) {
        if (json.size() > 1) json += ", ";
        JsonObject entry;
        entry.add("path", node.path).add("name", node.name).add("vertices", node.vertexCount);
        // Only a node whose mesh is its construction history says so.
        if (node.historyOnly) entry.add("history", true);
        json += entry.text();
    }
    return json + "]";
}

std::string warningsJson(const std::vector<tessaryn::SceneWarning>& warnings) {
    std::string json = "[";
    for (tessaryn::SceneWarning warning : warnings) {
        if (json.size() > 1) json += ", ";
        json += jsonString(sceneWarningKind(warning));
    }
    return json + "]";
}

// What the run found, the members after the envelope: the node and its counts on success,
// where it stopped on a refusal.
JsonObject reportJson(const SceneCreaseReport& report, const CreaseRun& run) {
    JsonObject json;
    const bool ok = report.outcome == SceneRefusal::None;
    // A refusal before the scene's first bytes were read knows no format.
    report.formatKnown ? json.add("format", wordsFor(report.format).json) : json.addNull("format");
    json.add("hostScene", report.hostScene);
    json.add("scene", run.scene);
    if (ok) {
        report.output.empty() ? json.addNull("output") : json.add("output", report.output);
        json.add("override", !run.over.empty());
        json.add("node", report.node.path).add("name", report.node.name);
        json.add("written", report.written).add("replaced", report.replaced);
        json.add("kept", report.kept).add("dropped", report.dropped);
        json.add("value", report.value);
        json.add("groups", static_cast<std::int64_t>(report.groups));
        json.add("creaseEdges", report.creaseEdges);
        json.add("changed", report.changed).add("dryRun", run.dryRun);
        json.addJson("warnings", warningsJson(report.warnings));
        return json;
    }
    report.file.empty() ? json.addNull("file") : json.add("file", report.file);
    report.line == 0 ? json.addNull("line") : json.add("line", report.line);
    report.node.path.empty() ? json.addNull("node") : json.add("node", report.node.path);
    json.add("missing", report.missing);
    if (report.missing > 0) {
        json.addJson("firstMissing", "[" + std::to_string(report.missingEdge[0]) + ", " +
                                         std::to_string(report.missingEdge[1]) + "]");
    } else {
        json.addNull("firstMissing");
    }
    json.addJson("candidates", nodesJson(report.candidates));
    return json;
}

}  // namespace

std::vector<OptionSyntax> creaseOptions() {
    return {
        {"--smoothing", nullptr,
         "the crease edges are the borders of the OBJ's smoothing groups (s lines) instead of "
         "its groups (g lines)"},
        {"--node", "NAME",
         "the mesh node, by its path (|group1|pCube1|pCubeShape1), a path's tail "
         "(pCube1|pCubeShape1) or its short name; without it, the one node with as many "
         "vertices as the OBJ has v lines"},
        {"--prim", "PATH",
         "--node by the name USD gives a mesh: the prim's path, a variant selection written "
         "{set=variant} (/asset{model=cube}geo/cube/mesh_0), a path's tail or its name",
         "--node"},
        {"--value", "V",
         "every crease at V, a decimal above 0 (10, 0.5, 1e3), written as the shortest "
         "decimal that reads back as the same 32-bit float; a V that is 0 as a 32-bit float, "
         "or beyond the largest, is refused (value-not-positive); without it an edge keeps "
         "the crease value it carries and a new crease gets 10"},
        {"-o", "OUT",
         "the result goes to OUT (replacing it, durably, even when nothing changes) and SCENE "
         "is left alone"},
        {"--over", "OUT.usda",
         "USD layers only: SCENE is only read, and the override layer OUT.usda, which names "
         "SCENE as its sublayer, gives the prim its creases (the only way for a binary layer); "
         "not with -o or --dry-run"},
        {"--dry-run", nullptr,
         "say what would be written (node, counts, values) and write nothing; not with -o"},
        {"--wait", "SECONDS",
         "how long to wait for another run on the file this run replaces, a decimal of 0 or "
         "more (60 when not given); after that the run is refused busy"},
        {"--threads", "N",
         "1 or 2 (the default): 2 reads the OBJ on a second thread while the scene is "
         "scanned; TESSARYN_THREADS=1 in the environment also keeps to one"},
    };
}

int runCreases(LazyLibrary& library, const Invocation& invocation, Reply& reply) {
    CreaseRun run;
    run.obj = invocation.arguments[0];
    run.scene = invocation.arguments[1];
    run.out = invocation.value("-o");
    run.node = invocation.value("--node");  // or --prim, its other spelling
    run.over = invocation.value("--over");
    run.smoothing = invocation.has("--smoothing");
    run.valueGiven = invocation.has("--value");
    run.dryRun = invocation.has("--dry-run");

    tessaryn::SceneCreaseRequest request;
    run.value = invocation.value("--value");
    if (run.valueGiven && !tessaryn::readCreaseValue(run.value, request.value)) {
        return reply.misused(misuseSentence(Misuse::BadCreaseValue, {run.value, "", ""}));
    }
    run.wait = invocation.has("--wait") ? invocation.value("--wait") : kDefaultWait;
    double waitSeconds = 0.0;
    if (!readWaitSeconds(run.wait, waitSeconds)) {
        return reply.misused(misuseSentence(Misuse::BadWait, {run.wait, "", ""}));
    }
    if (run.dryRun && invocation.has("-o")) {
        return reply.misused(misuseSentence(Misuse::OutWithDryRun));
    }
    if (invocation.has("--over") && (invocation.has("-o") || run.dryRun)) {
        return reply.misused(
            misuseSentence(Misuse::OverWith, {run.dryRun ? "--dry-run" : "-o", "", ""}));
    }
    int threads = 2;
    if (!roadThreads(invocation.value("--threads"), std::getenv("TESSARYN_THREADS"), threads)) {
        return reply.misused(
            misuseSentence(Misuse::BadThreads, {invocation.value("--threads"), "", ""}));
    }
    LentThread lent;
    if (threads == 2) request.secondThread = &lent.lend();
    request.objPath = run.obj;
    request.scenePath = run.scene;
    request.outPath = run.out;
    request.overPath = run.over;
    request.smoothing = run.smoothing;
    request.node = run.node;
    request.dryRun = run.dryRun;
    request.hostExport = callGetCreases;
    request.hostContext = &library;

    // Held from before the first read of the file to replace until after its rename, so
    // that a run on the same file waits, then reads what this one left. A dry run writes
    // nothing and takes no lock: it never keeps a writer waiting.
    const std::string& replaced = !run.over.empty() ? run.over : !run.out.empty() ? run.out
                                                                                  : run.scene;
    tessaryn::FileLock lock;
    const tessaryn::LockOutcome locked = run.dryRun ? tessaryn::LockOutcome::NoLockFile
                                                    : lock.take(replaced, waitSeconds);
    const SceneCreaseReport report = runLocked<SceneCreaseReport>(
        locked, lock, replaced, [&] { return tessaryn::writeSceneCreases(request); });
    lock.release();
    if (report.outcome == SceneRefusal::ExportUnavailable) {
        run.library = library.path();
        run.libraryError = library.error();
    }
    reply.facts().addMembers(reportJson(report, run));
    const std::string sentence = creaseSentence(report, run);
    if (report.outcome == SceneRefusal::None) return reply.done(sentence);
    return reply.refused(refusalKind(report.outcome), sentence);
}

}  // namespace tool
