#include "scene/maya/maya_scene_scanner.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/host_scene.h"
#include "scene/node_choice.h"
#include "scene/maya/maya_dag_paths.h"
#include "scene/maya/maya_mesh_statements.h"
#include "scene/maya/maya_statement_splitter.h"

namespace tessaryn {

namespace {

// What a createNode statement says: the node's type, its name (-n) and its parent (-p).
struct CreateNodeStatement {
    enum class Next { Nothing, Name, Parent };
    std::string type;
    std::string name;
    std::string parent;
    Next next = Next::Nothing;

    void word(std::string_view word) {
        if (next != Next::Nothing && word[0] != '-') {
            value(word);
            return;
        }
        next = word == "-n" || word == "-name"     ? Next::Name
               : word == "-p" || word == "-parent" ? Next::Parent
                                                   : Next::Nothing;
        if (next == Next::Nothing && type.empty() && word[0] != '-') type = word;
    }
    void value(std::string_view text) {
        if (next == Next::Name) name = text;
        if (next == Next::Parent) parent = text;
        next = Next::Nothing;
    }
};

// The splitter's handler: which statement is being read, and the mesh node it belongs to.
class MayaSceneScanner {
public:
    MayaSceneScanner(const CreaseEdgesAhead& creases, bool readsEdges)
        : mesh_(creases, readsEdges) {
        facts_.format = SceneFormat::Maya;
    }

    // False once the scene is found damaged: reading stops. The header line, which the
    // format table has told apart already, reads as the comment it is.
    bool scanLine(std::string_view line, std::string_view ending) {
        ++lineNumber_;
        ending_ = ending;
        const bool stringsClosed = splitter_.scanLine(line, lineStart_);
        // The placeholder holds a '"': a line of data alone holds none.
        if (!facts_.hostPlaceholder && !splitter_.lineWasOnlyData() && isPlaceholderLine(line))
            facts_.hostPlaceholder = true;
        if (!stringsClosed) return fail(SceneRefusal::UnterminatedString, lineNumber_);
        if (mesh_.badEdgeLine() != 0)
            return fail(SceneRefusal::BadEdgeStatement, mesh_.badEdgeLine());
        lineStart_ += line.size() + ending.size();
        return true;
    }

    // Whether the lines ahead that hold no '"', ';' or '/' need not be scanned, and the
    // scan's count after `lines` of them were passed, the next line starting at `offset`.
    bool passesData() const { return splitter_.passesData(); }
    void passedLines(std::uint64_t lines, std::uint64_t offset) {
        lineNumber_ += static_cast<std::int64_t>(lines);
        lineStart_ = offset;
    }

    SceneFacts finish() {
        closeNode();
        if (facts_.problem == SceneRefusal::None && lineNumber_ == 0) {
            fail(SceneRefusal::NotAScene, 1);
        } else if (facts_.problem == SceneRefusal::None && splitter_.inStatement()) {
            fail(SceneRefusal::UnterminatedStatement, statementLine_);
        }
        facts_.size = lineStart_;
        // A damaged edge statement refuses the whole scene: passed over in two nodes, the
        // reader of one of them could not tell of the other's.
        facts_.wholeScanNeeded = mesh_.nodesWithEdgesPassed() > 1;
        markHistoryOnly();
        return std::move(facts_);
    }

    // The splitter's handler.
    bool wordsMatter() const {
        return statement_ != Statement::Other &&
               (statement_ != Statement::MeshSetAttr || mesh_.wordsMatter());
    }
    bool readsNumberRun() const {
        return statement_ == Statement::MeshSetAttr && mesh_.readsEdgeNumbers();
    }
    const char* numberRun(const char* p, const char* end) { return mesh_.edgeNumbers(p, end); }
    void beginStatement(std::uint64_t offset, bool startsLine) {
        // Maya indents the statements of a node; one that starts a line ends the node.
        if (startsLine) closeNode();
        statement_ = Statement::Unknown;
        statementLine_ = lineNumber_;
        statementStart_ = offset;
    }
    void word(std::string_view word) {
        switch (statement_) {
            case Statement::Unknown:
                statement_ = commandOf(word);
                break;
            case Statement::CreateNode:
                createNode_.word(word);
                break;
            case Statement::MeshSetAttr:
                mesh_.word(word);
                break;
            case Statement::Connect:
            case Statement::Other:
                break;
        }
    }
    void string(std::string_view text) {
        if (statement_ == Statement::Unknown) statement_ = Statement::Other;
        if (statement_ == Statement::CreateNode) createNode_.value(text);
        if (statement_ == Statement::MeshSetAttr) mesh_.string(text);
        if (statement_ == Statement::Connect && ++connectStrings_ == 2) connectedTo(text);
    }
    void endStatement(std::uint64_t offsetAfter) {
        if (statement_ == Statement::MeshSetAttr) mesh_.endSetAttr(offsetAfter);
        if (statement_ == Statement::CreateNode) createdNode();
        statement_ = Statement::Other;
    }

private:
    enum class Statement { Unknown, Other, CreateNode, MeshSetAttr, Connect };

    bool fail(SceneRefusal problem, std::int64_t line) {
        facts_.problem = problem;
        facts_.problemLine = line;
        return false;
    }

    Statement commandOf(std::string_view word) {
        if (word == "createNode") {
            createNode_ = CreateNodeStatement();
            return Statement::CreateNode;
        }
        if (word == "setAttr" && nodeOpen_) {
            mesh_.beginSetAttr(statementStart_, statementLine_, lineStart_);
            return Statement::MeshSetAttr;
        }
        if (word == "connectAttr") {
            connectStrings_ = 0;
            return Statement::Connect;
        }
        return Statement::Other;
    }

    void createdNode() {
        const std::string path = paths_.add(createNode_.name, createNode_.parent);
        if (createNode_.type != "mesh") return;
        closeNode();
        SceneNode node;
        node.path = path;
        node.name = createNode_.name;
        node.line = statementLine_;
        node.start = statementStart_;
        node.lineEnding = ending_.empty() ? "\n" : std::string(ending_);
        facts_.nodes.push_back(std::move(node));
        mesh_.beginNode();
        nodeOpen_ = true;
    }

    void closeNode() {
        if (!nodeOpen_) return;
        mesh_.finishNode(facts_.nodes.back());
        nodeOpen_ = false;
    }

    // A connection's destination, "pCubeShape1.i": a mesh's input (.i, .inMesh) takes
    // its shape from the node connected, its construction history.
    void connectedTo(std::string_view plug) {
        const std::size_t dot = plug.find('.');
        if (dot == std::string_view::npos || dot == 0) return;
        const std::string_view attribute = plug.substr(dot + 1);
        if (attribute != "i" && attribute != "inMesh") return;
        meshInputs_.push_back({std::string(plug.substr(0, dot)), statementLine_});
    }

    // A node without vertices and edges whose input is connected: its mesh is made by its
    // history when the scene is opened, and the file holds none of it.
    void markHistoryOnly() {
        for (const MeshInput& input : meshInputs_) {
            for (SceneNode& node : facts_.nodes) {
                if (node.vertexCount != 0 || node.problem != NodeProblem::NoFaces ||
                    !nodeIsNamed(node.path, node.name, input.node))
                    continue;
                node.problem = NodeProblem::HistoryOnly;
                node.problemLine = input.line;
            }
        }
    }

    SceneFacts facts_;
    MayaStatementSplitter<MayaSceneScanner> splitter_{*this};
    MayaMeshStatements mesh_;
    MayaDagPaths paths_;
    CreateNodeStatement createNode_;
    struct MeshInput {
        // Read in finishScene's matching of nodes to their connections.
        // cppcheck-suppress unusedStructMember
        std::string node;  // as the connection names it: a name or a path
        std::int64_t line;
    };
    std::vector<MeshInput> meshInputs_;
    int connectStrings_ = 0;
    Statement statement_ = Statement::Other;
    bool nodeOpen_ = false;

    std::int64_t lineNumber_ = 0;
    std::uint64_t lineStart_ = 0;  // offset of the current line
    std::string_view ending_;
    std::int64_t statementLine_ = 0;
    std::uint64_t statementStart_ = 0;
};

}  // namespace

namespace {

SceneFacts scan(LineReader& scene, const CreaseEdgesAhead& creases, bool readsEdges) {
    MayaSceneScanner scanner(creases, readsEdges);
    std::string_view line;
    while (scene.next(line)) {
        if (!scanner.scanLine(line, scene.lineEnding())) break;
        // Vertex and face data, most of a scene, are lines of numbers alone.
        if (scanner.passesData()) {
            const std::uint64_t passed = scene.passLinesWithout(';', '"', '/');
            scanner.passedLines(passed, scene.nextLineOffset());
        }
    }
    SceneFacts facts = scanner.finish();
    if (scene.failed()) {
        facts = SceneFacts();
        facts.problem = SceneRefusal::Unreadable;
    }
    return facts;
}

}  // namespace

SceneFacts scanMayaScene(LineReader& scene, const CreaseEdgesAhead& creases) {
    return scan(scene, creases, true);
}

SceneFacts scanMayaScenePassingEdges(LineReader& scene) {
    const CreaseEdgeSet noCreaseEdges;
    const CreaseEdgesAhead creases(noCreaseEdges);
    return scan(scene, creases, false);
}

}  // namespace tessaryn
