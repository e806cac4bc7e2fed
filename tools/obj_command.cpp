#include "tools/obj_command.h"

#include <cstdlib>

#include "base/file_lock.h"
#include "scene_obj/scene_obj.h"
#include "tools/json_object.h"
#include "tools/locked_road.h"
#include "tools/second_thread.h"
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

// The scene's warnings, then the mesh's.
std::string warningsJson(const SceneObjReport& report) {
    std::string json = "[";
    for (const tessaryn::SceneWarning warning : report.sceneWarnings) {
        if (json.size() > 1) json += ", ";
        json += jsonString(sceneWarningKind(warning));
    }
    for (const tessaryn::MeshWarning warning : report.warnings) {
        // The points' source has a key of its own.
        if (warning == tessaryn::MeshWarning::PointsFromTimeSample) continue;
        if (json.size() > 1) json += ", ";
        json += jsonString(meshWarningKind(warning));
    }
    return json + "]";
}

JsonObject reportJson(const SceneObjReport& report, const ObjRun& run) {
    JsonObject json;
    const bool ok = report.outcome == SceneRefusal::None;
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
        json.addJson("warnings", warningsJson(report));
        return json;
    }
    report.file.empty() ? json.addNull("file") : json.add("file", report.file);
    report.line == 0 ? json.addNull("line") : json.add("line", report.line);
    report.node.path.empty() ? json.addNull("node") : json.add("node", report.node.path);
    json.addJson("candidates", candidatesJson(report.candidates));
    return json;
}

}  // namespace

std::vector<OptionSyntax> objOptions() {
    return {
        {"--node", "NAME",
         "the mesh node, by its path (|group1|pCube1|pCubeShape1), a path's tail "
         "(pCube1|pCubeShape1) or its short name; without it, the one node that holds a mesh"},
        {"--prim", "PATH",
         "--node by the name USD gives a mesh: the prim's path, a variant selection written "
         "{set=variant} (/asset{model=cube}geo/cube/mesh_0), a path's tail or its name",
         "--node"},
        {"--wait", "SECONDS",
         "how long to wait for another run on OUT.obj, a decimal of 0 or more (60 when not "
         "given); after that the run is refused busy"},
        {"--threads", "N",
         "1 or 2 (the default): 2 formats the points and texture coordinates on two threads; "
         "TESSARYN_THREADS=1 in the environment also keeps to one"},
    };
}

std::vector<const char*> objRefusalKinds() {
    return refusalKinds({
        SceneRefusal::Unreadable,         SceneRefusal::MayaBinary,
        SceneRefusal::UsdBinary,          SceneRefusal::UsdPackage,
        SceneRefusal::NotAScene,          SceneRefusal::UnterminatedString,
        SceneRefusal::UnterminatedStatement, SceneRefusal::UnterminatedBlock,
        SceneRefusal::BadEdgeStatement,   SceneRefusal::UsdVersion,
        SceneRefusal::NoMeshNode,         SceneRefusal::NoSuchNode,
        SceneRefusal::SeveralNamed,       SceneRefusal::SeveralMeshNodes,
        SceneRefusal::NodeHoldsNoMesh,    SceneRefusal::PointNotFinite,
        SceneRefusal::FaceTooFewCorners,
        SceneRefusal::OutputIsInput,      SceneRefusal::Busy,
        SceneRefusal::SceneChanged,       SceneRefusal::Unwritable,
        SceneRefusal::OutOfMemory,
    });
}

int runObj(LazyLibrary&, const Invocation& invocation, Reply& reply) {
    ObjRun run;
    run.scene = invocation.arguments[0];
    run.out = invocation.arguments[1];
    // --prim is another spelling of --node, given at most once.
    run.node = invocation.value("--node");
    run.wait = invocation.has("--wait") ? invocation.value("--wait") : kDefaultWait;
    double waitSeconds = 0.0;
    if (!readWaitSeconds(run.wait, waitSeconds))
        return reply.misused(misuseSentence(Misuse::BadWait, {run.wait, "", ""}));
    int threads = 2;
    if (!roadThreads(invocation.value("--threads"), std::getenv("TESSARYN_THREADS"), threads)) {
        return reply.misused(
            misuseSentence(Misuse::BadThreads, {invocation.value("--threads"), "", ""}));
    }
    LentThread lent;
    tessaryn::SceneObjRequest request;
    if (threads == 2) request.secondThread = &lent.lend();
    request.scenePath = run.scene;
    request.outPath = run.out;
    request.node = run.node;

    // Held from before the scene is read until after the OBJ's rename, as every run that
    // replaces a file holds it.
    tessaryn::FileLock lock;
    const tessaryn::LockOutcome locked = lock.take(run.out, waitSeconds);
    const SceneObjReport report = runLocked<SceneObjReport>(
        locked, lock, run.out, [&] { return tessaryn::writeSceneObj(request); });
    lock.release();
    reply.facts().addMembers(reportJson(report, run));
    const std::string sentence = objSentence(report, run);
    if (report.outcome == SceneRefusal::None) return reply.done(sentence);
    return reply.refused(refusalKind(report.outcome), sentence);
}

}  // namespace tool
