#include "scene_obj/scene_obj.h"

#include <algorithm>
#include <cerrno>

#include "base/byte_source.h"
#include "base/file_system.h"
#include "base/line_reader.h"
#include "base/safe_writer.h"
#include "crease/crease_edge_set.h"
#include "scene/node_choice.h"
#include "scene/scene_formats.h"
#include "scene/scene_scan.h"
#include "scene_obj/obj_mesh_writer.h"

namespace tessaryn {

namespace {

// Every stage answers false once the road is refused; the report says why.
bool refuse(SceneObjReport& report, SceneRefusal refusal, const std::string& file,
            int error = 0) {
    report.outcome = refusal;
    report.file = file;
    report.error = error;
    return false;
}

NodeSummary summaryOf(const SceneNode& node) {
    return {node.path, node.name, node.vertexCount};
}

// The scene's format and its scan, which names the nodes; with `passFaces`, the scan that
// passes the faces over where the format has one (`passed` tells whether it had).
bool scanScene(const SceneObjRequest& request, SceneObjReport& report,
               const SceneFormatEntry*& format, SceneFacts& facts, bool passFaces, bool& passed) {
    passed = false;
    LineReader scene;
    errno = 0;
    if (!scene.open(request.scenePath.c_str()))
        return refuse(report, SceneRefusal::Unreadable, request.scenePath, errno);
    format = sniffSceneFormat(scene.unread());
    if (format == nullptr || format->refused != SceneRefusal::None) {
        report.line = 1;
        return refuse(report, format == nullptr ? SceneRefusal::NotAScene : format->refused,
                      request.scenePath);
    }
    report.format = format->format;
    int error = 0;
    passed = passFaces && format->scanPassingFaces != nullptr;
    // The lent thread has nothing to do until the mesh is read: it reads the scene ahead
    // of the scan, which then spends its time on the text alone.
    if (passed || format->scan != nullptr) scene.readAheadOn(request.secondThread);
    if (passed) {
        facts = format->scanPassingFaces(scene);
        scene.close();
    } else {
        const CreaseEdgeSet noCreaseEdges;
        facts = scanOpenedScene(*format, scene, request.scenePath, noCreaseEdges, nullptr, error);
    }
    report.detail = facts.problemDetail;
    report.otherLayers = facts.otherLayers;
    report.sceneWarnings = facts.warnings;
    if (facts.problem == SceneRefusal::None) return true;
    report.line = facts.problemLine;
    const bool unreadable = facts.problem == SceneRefusal::Unreadable;
    return refuse(report, facts.problem, request.scenePath,
                  unreadable ? (error != 0 ? error : EIO) : 0);
}

// The node asked for, or the one that holds a mesh.
bool chooseNode(const SceneObjRequest& request, SceneObjReport& report, const SceneFacts& facts,
                const SceneNode*& node) {
    const NodeChoice choice = chooseMeshNode(facts, request.node);
    if (choice.node != nullptr) report.node = summaryOf(*choice.node);
    for (const SceneNode* candidate : choice.candidates)
        report.candidates.push_back(summaryOf(*candidate));
    if (choice.problem == SceneRefusal::NodeHoldsNoMesh && choice.node != nullptr) {
        report.nodeProblem = choice.node->problem;
        report.line = choice.node->problemLine;
    }
    if (choice.problem == SceneRefusal::NoMeshNode) {
        // The first node that has a problem tells why none holds a mesh.
        const auto troubled = std::find_if(facts.nodes.begin(), facts.nodes.end(),
                                           [](const SceneNode& each) {
                                               return each.problem != NodeProblem::None;
                                           });
        if (troubled != facts.nodes.end()) {
            report.node = summaryOf(*troubled);
            report.nodeProblem = troubled->problem;
            report.line = troubled->problemLine;
        }
    }
    if (choice.problem != SceneRefusal::None)
        return refuse(report, choice.problem, request.scenePath);
    node = choice.node;
    return true;
}

// The node's geometry, read again from the scene, into the OBJ; with `pointLines`, the
// reader may make the points' lines itself, and `again` tells when it gave them up.
bool writeObjOnce(const SceneObjRequest& request, SceneObjReport& report,
                  const SceneFormatEntry& format, const SceneNode& node, bool pointLines,
                  bool& again) {
    again = false;
    if (format.readMesh == nullptr)
        return refuse(report, SceneRefusal::NoMeshReader, request.scenePath);
    ByteSource scene;
    errno = 0;
    if (!scene.openFile(request.scenePath.c_str()))
        return refuse(report, SceneRefusal::Unreadable, request.scenePath, errno);
    SafeWriter out;
    errno = 0;
    if (!out.open(request.outPath.c_str()))
        return refuse(report, SceneRefusal::Unwritable, request.outPath, errno);
    ObjMeshWriter writer(out, request.scenePath, node.path, request.secondThread, pointLines);
    const MeshReadResult read = format.readMesh(scene, node, writer);
    if (read.pointLinesGivenUp && !scene.failed()) {
        again = true;  // the OBJ begun goes
        return false;
    }
    report.warnings = read.warnings;
    report.holedFaces = read.holedFaces;
    report.pointsFromTimeSample =
        std::find(read.warnings.begin(), read.warnings.end(),
                  MeshWarning::PointsFromTimeSample) != read.warnings.end();
    if (scene.failed()) return refuse(report, SceneRefusal::Unreadable, request.scenePath, EIO);
    if (read.problem != SceneRefusal::None) {
        report.nodeProblem = read.nodeProblem;
        report.line = read.line;
        report.detail = read.detail;
        return refuse(report, read.problem, request.scenePath);
    }
    if (read.stopped || !writer.begun()) {
        // A reader that handed nothing over found no mesh after all.
        report.nodeProblem = read.stopped ? writer.nodeProblem() : NodeProblem::NoFaces;
        report.detail = writer.detail();
        return refuse(report,
                      read.stopped ? writer.refusal() : SceneRefusal::NodeHoldsNoMesh,
                      request.scenePath);
    }
    writer.finish();
    errno = 0;
    if (!out.commit()) return refuse(report, SceneRefusal::Unwritable, request.outPath, errno);
    report.vertices = writer.vertices();
    report.uvs = writer.uvs();
    report.faces = writer.faces();
    report.output = request.outPath;
    return true;
}

bool writeObj(const SceneObjRequest& request, SceneObjReport& report,
              const SceneFormatEntry& format, const SceneNode& node) {
    bool again = false;
    return writeObjOnce(request, report, format, node, true, again) ||
           (again && writeObjOnce(request, report, format, node, false, again));
}

}  // namespace

SceneObjReport writeSceneObj(const SceneObjRequest& request) {
    SceneObjReport report;
    // Checked before anything is read: the OBJ never replaces the scene it is made from.
    if (sameFile(request.outPath, request.scenePath)) {
        refuse(report, SceneRefusal::OutputIsInput, request.outPath);
        return report;
    }
    // First with the scan that passes the faces over, where the format has one: the reader
    // checks the faces of the node it writes. Whatever that way refuses, or its scan says
    // only the whole scan judges, is left to the whole scan to tell, which may refuse
    // otherwise (another node's faces, a node whose faces do not hold, chosen among
    // others), so that the outcome is the whole scan's.
    for (const bool passFaces : {true, false}) {
        report = SceneObjReport();
        const SceneFormatEntry* format = nullptr;
        SceneFacts facts;
        const SceneNode* node = nullptr;
        bool passed = false;
        if (scanScene(request, report, format, facts, passFaces, passed) &&
            !(passed && facts.wholeScanNeeded) && chooseNode(request, report, facts, node) &&
            writeObj(request, report, *format, *node))
            return report;
        if (!passed) break;
    }
    return report;
}

}  // namespace tessaryn
