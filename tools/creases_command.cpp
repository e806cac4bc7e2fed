#include "tools/creases_command.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "base/file_lock.h"
#include "scene/crease_plan.h"
#include "scene/scene_creases.h"
#include "tessaryn.h"
#include "tools/json_object.h"
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
        json += JsonObject()
                    .add("path", node.path)
                    .add("name", node.name)
                    .add("vertices", node.vertexCount)
                    .text();
    }
    return json + "]";
}

std::string warningsJson(const std::vector<tessaryn::SceneWarning>& warnings) {
    std::string json = "[";
    for (tessaryn::SceneWarning warning : warnings) {
        if (json.size() > 1) json += ", ";
        json += jsonString(warning == tessaryn::SceneWarning::SubdivisionNone ? "subdivision-none"
                                                                              : "unknown");
    }
    return json + "]";
}

std::string reportJson(const SceneCreaseReport& report, const CreaseRun& run,
                       const std::string& sentence) {
    JsonObject json;
    const bool ok = report.outcome == SceneRefusal::None;
    json.add("ok", ok);
    if (!ok) json.add("refusal", refusalKind(report.outcome)).add("reason", sentence);
    // A busy file was never read: its format is not known.
    report.outcome == SceneRefusal::Busy ? json.addNull("format")
                                         : json.add("format", wordsFor(report.format).json);
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
        return json.text();
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
    return json.text();
}

}  // namespace

std::vector<OptionSyntax> creaseOptions() {
    return {{"--smoothing", nullptr}, {"--node", "NAME"}, {"--prim", "PATH"},
            {"--value", "V"},         {"-o", "OUT"},      {"--over", "OUT.usda"},
            {"--dry-run", nullptr},   {"--json", nullptr}, {"--wait", "SECONDS"},
            {"--threads", "N"}};
}

std::string creasesMisuseJson(const std::string& what) {
    return JsonObject().add("ok", false).add("refusal", "misuse").add("reason", what).text();
}

int runCreases(LazyLibrary& library, const Invocation& invocation, std::string& misuse) {
    CreaseRun run;
    run.obj = invocation.arguments[0];
    run.scene = invocation.arguments[1];
    run.out = invocation.value("-o");
    // --node and --prim are one option with two names: the last one given counts.
    for (const auto& option : invocation.options) {
        if (option.first == "--node" || option.first == "--prim") run.node = option.second;
    }
    run.over = invocation.value("--over");
    run.smoothing = invocation.has("--smoothing");
    run.valueGiven = invocation.has("--value");
    run.dryRun = invocation.has("--dry-run");
    const bool json = invocation.has("--json");

    tessaryn::SceneCreaseRequest request;
    const std::string value = invocation.value("--value");
    if (run.valueGiven && !tessaryn::readCreaseValue(value, request.value)) {
        misuse = "--value needs a decimal of 0 or more, such as 10 or 0.5, not '" + value + "'";
        return 2;
    }
    run.wait = invocation.has("--wait") ? invocation.value("--wait") : kDefaultWait;
    double waitSeconds = 0.0;
    if (!readWaitSeconds(run.wait, waitSeconds)) {
        misuse = "--wait needs a number of seconds of 0 or more, such as 60 or 0.5, not '" +
                 run.wait + "'";
        return 2;
    }
    if (run.dryRun && invocation.has("-o")) {
        misuse = "-o and --dry-run exclude each other: --dry-run writes nothing";
        return 2;
    }
    if (invocation.has("--over") && (invocation.has("-o") || run.dryRun)) {
        misuse = std::string("--over and ") + (run.dryRun ? "--dry-run" : "-o") +
                 " exclude each other: --over writes a new override layer and leaves the layer "
                 "as it is";
        return 2;
    }
    int threads = 2;
    if (!creaseThreads(invocation.value("--threads"), std::getenv("TESSARYN_THREADS"), threads)) {
        misuse = "--threads takes 1 or 2, not '" + invocation.value("--threads") + "'";
        return 2;
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
    SceneCreaseReport report;
    if (locked == tessaryn::LockOutcome::Busy) {
        report.outcome = SceneRefusal::Busy;
        report.file = replaced;
    } else if (locked == tessaryn::LockOutcome::Failed) {
        report.outcome = SceneRefusal::Unwritable;
        report.file = lock.lockPath();
        report.error = lock.error();
    } else {
        try {
            report = tessaryn::writeSceneCreases(request);
        } catch (const std::bad_alloc&) {
            report = SceneCreaseReport();
            report.outcome = SceneRefusal::OutOfMemory;
        }
    }
    lock.release();
    if (report.outcome == SceneRefusal::ExportUnavailable) {
        run.library = library.path();
        run.libraryError = library.error();
    }
    const bool ok = report.outcome == SceneRefusal::None;
    const std::string sentence = creaseSentence(report, run);
    // With --json, standard output carries the object alone.
    std::fprintf(ok && !json ? stdout : stderr, "%s\n", sentence.c_str());
    if (json) std::printf("%s\n", reportJson(report, run, sentence).c_str());
    return ok ? 0 : 1;
}

}  // namespace tool
