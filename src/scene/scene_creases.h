// The road of `tessaryn creases` for every scene: the OBJ's crease edges collected once,
// the scene's format told by its first bytes, its scanner run, the node chosen, the
// creases planned, and the scene rewritten through the one rewrite. A scene with the
// host's crease placeholder takes the host's road: it is checked as the host would know
// it, then given to the host's export. The road reports an outcome and facts; the tool
// turns them into sentences.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "crease/crease_edges_ahead.h"
#include "scene/scene_refusal.h"
#include "scene/scene_facts.h"

namespace tessaryn {

// What the host's export answered, in the road's terms (the tool maps its result codes).
struct HostExportResult {
    SceneRefusal outcome = SceneRefusal::None;
    std::int32_t groups = 0;
};
// Calls the host's export on an OBJ and a scene with the placeholder, which it
// rewrites in place.
using HostExport = HostExportResult (*)(void* context, const std::string& obj,
                                        const std::string& scene, bool smoothing);

struct SceneCreaseRequest {
    std::string objPath;
    std::string scenePath;
    std::string outPath;  // empty: the scene itself
    // A USD layer only: the creases go into an override layer here instead, the layer
    // only read: a new one, or one of the layer that exists, which keeps all else it holds.
    std::string overPath;
    bool smoothing = false;
    std::string node;     // a full path, a path's tail or a short name; empty: by vertex count
    std::string value;    // as readCreaseValue gives it; empty: kept, new ones at 10
    bool dryRun = false;  // plan and report, write nothing
    HostExport hostExport = nullptr;
    void* hostContext = nullptr;
    // A thread the caller lends for reading the OBJ beside the scan; null: one thread.
    // Results, files and refusals are the same either way.
    const SecondThread* secondThread = nullptr;
};

struct NodeSummary {
    std::string path;
    std::string name;
    std::int64_t vertexCount = 0;
    bool historyOnly = false;  // a Maya node whose mesh is its construction history
};

struct SceneCreaseReport {
    SceneRefusal outcome = SceneRefusal::None;
    std::string file;       // the file an input or output failure concerns
    int error = 0;          // the system's error number for it, 0 when none is known
    std::int64_t line = 0;  // the scene line a damaged scene is refused at
    std::string detail;     // a binary file's refusal: its version, what is damaged, a name
    ForeignOverLayer foreignOverLayer = ForeignOverLayer::None;  // what --over's file is

    SceneFormat format = SceneFormat::Maya;
    bool formatKnown = false;  // the scene's first bytes told `format` (a refused form too)
    bool hostScene = false;                       // the host's road
    NodeSummary node;                             // the node chosen (or asked for)
    NodeProblem nodeProblem = NodeProblem::None;  // why the node asked for holds no mesh
    std::vector<NodeSummary> candidates;
    std::vector<std::string> otherLayers;  // a binary layer's sublayers, references, payloads
    std::int32_t groups = 0;
    std::int64_t objVertices = 0;
    std::int64_t creaseEdges = 0;
    std::int64_t written = 0;   // crease edges written (or, dry, that would be)
    std::int64_t replaced = 0;  // creases the node carried
    std::int64_t kept = 0;      // crease edges that keep their value
    std::int64_t dropped = 0;   // creases on edges that are not crease edges
    std::string value;          // the value of new creases
    std::int64_t missing = 0;
    std::int64_t missingEdge[2] = {0, 0};  // the first missing edge, by the OBJ's numbers
    bool changed = false;                  // the node's creases are (or would be) different
    std::string output;                    // the file written; empty when none was
    std::vector<SceneWarning> warnings;
};

SceneCreaseReport writeSceneCreases(const SceneCreaseRequest& request);

}  // namespace tessaryn
