#include "tools/obj_command.h"

#include <cstdio>
#include <new>

#include "base/file_lock.h"
#include "scene_obj/scene_obj.h"
#include "tools/json_object.h"
#include "tools/sentences.h"
#include "tools/wait_seconds.h"

namespace tool {

namespace {

using tessaryn::SceneObjReport;
using tessaryn::SceneRefusal;

std::string candidatesJson(const std::vector<tessaryn::NodeSummary>& nodes) {
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

std::string warningsJson(const std::vector<tessaryn::MeshWarning>& warnings) {
    std::string json = "[";
    for (const tessaryn::MeshWarning warning : warnings) {
        // The points' source has a key of its own.
        if (warning == tessaryn::MeshWarning::PointsFromTimeSample) continue;
        if (json.size() > 1) json += ", ";
        json += jsonString(meshWarningKind(warning));
    }
    return json + "]";
}

std::string reportJson(const SceneObjReport& report, const ObjRun& run,
                       const std::string& sentence) {
    JsonObject json;
    const bool ok = report.outcome == SceneRefusal::None;
    json.add("ok", ok);
    if (!ok) json.add("refusal", refusalKind(report.outcome)).add("reason", sentence);
    // Refused before the scene was read (busy, output-is-input): its format is not known.
    const bool read = report.outcome != SceneRefusal::Busy &&
                      report.outcome != SceneRefusal::OutputIsInput;
    read ? json.add("format", wordsFor(report.format).json) : json.addNull("format");
    json.add("scene", run.scene);
    if (ok) {
        json.add("output", report.output);
        json.add("node", report.node.path).add("name", report.node.name);
        json.add("vertices", report.vertices).add("uvs", report.uvs).add("faces", report.faces);
        json.add("points", report.pointsFromTimeSample ? "first time sample" : "default");
        json.addJson("warnings", warningsJson(report.warnings));
        return json.text();
    }
    report.file.empty() ? json.addNull("file") : json.add("file", report.file);
    report.line == 0 ? json.addNull("line") : json.add("line", report.line);
    report.node.path.empty() ? json.addNull("node") : json.add("node", report.node.path);
    json.addJson("candidates", candidatesJson(report.candidates));
    return json.text();
}

}  // namespace

std::vector<OptionSyntax> objOptions() {
    return {{"--node", "NAME"}, {"--prim", "PATH"}, {"--json", nullptr}, {"--wait", "SECONDS"}};
}

int runObj(LazyLibrary&, const Invocation& invocation, std::string& misuse) {
    ObjRun run;
    run.scene = invocation.arguments[0];
    run.out = invocation.arguments[1];
    // --node and --prim are one option with two names: the last one given counts.
    for (const auto& option : invocation.options) {
        if (option.first == "--node" || option.first == "--prim") run.node = option.second;
    }
    const bool json = invocation.has("--json");
    run.wait = invocation.has("--wait") ? invocation.value("--wait") : kDefaultWait;
    double waitSeconds = 0.0;
    if (!readWaitSeconds(run.wait, waitSeconds)) {
        misuse = "--wait needs a number of seconds of 0 or more, such as 60 or 0.5, not '" +
                 run.wait + "'";
        return 2;
    }
    tessaryn::SceneObjRequest request;
    request.scenePath = run.scene;
    request.outPath = run.out;
    request.node = run.node;

    // Held from before the scene is read until after the OBJ's rename, as every run that
    // replaces a file holds it.
    tessaryn::FileLock lock;
    const tessaryn::LockOutcome locked = lock.take(run.out, waitSeconds);
    SceneObjReport report;
    if (locked == tessaryn::LockOutcome::Busy) {
        report.outcome = SceneRefusal::Busy;
        report.file = run.out;
    } else if (locked == tessaryn::LockOutcome::Failed) {
        report.outcome = SceneRefusal::Unwritable;
        report.file = lock.lockPath();
        report.error = lock.error();
    } else {
        try {
            report = tessaryn::writeSceneObj(request);
        } catch (const std::bad_alloc&) {
            report = SceneObjReport();
            report.outcome = SceneRefusal::OutOfMemory;
        }
    }
    lock.release();
    const bool ok = report.outcome == SceneRefusal::None;
    const std::string sentence = objSentence(report, run);
    // With --json, standard output carries the object alone.
    std::fprintf(ok && !json ? stdout : stderr, "%s\n", sentence.c_str());
    if (json) std::printf("%s\n", reportJson(report, run, sentence).c_str());
    return ok ? 0 : 1;
}

}  // namespace tool
