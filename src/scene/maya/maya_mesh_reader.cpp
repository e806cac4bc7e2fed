#include "scene/maya/maya_mesh_reader.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "base/large_arrays.h"
#include "base/line_reader.h"
#include "base/numbers.h"
#include "scene/maya/maya_index_range.h"
#include "scene/maya/maya_plain_faces.h"
#include "scene/maya/maya_plain_points.h"
#include "scene/maya/maya_poly_faces.h"
#include "scene/maya/maya_statement_splitter.h"

namespace tessaryn {

namespace {

// The point lines made before they are handed over.
constexpr std::size_t kPointTextBytes = std::size_t{1} << 20;
// An edge of the list that no statement gave.
constexpr std::uint32_t kNotGiven = std::numeric_limits<std::uint32_t>::max();
// The fewest bytes a vertex ("0 0 0 "), an edge ("0 1 0 ") and a texture coordinate
// ("0 0 ") take in a file: a count beyond what the file could hold reserves nothing, and
// a node that names more vertices than it could is damaged.
constexpr std::uint64_t kLeastVertexBytes = 6;
constexpr std::uint64_t kLeastEdgeBytes = 6;
constexpr std::uint64_t kLeastUvBytes = 4;


// "[a:b]" or "[a]" at the start of `text`, and in `rest` what follows its ']'.
bool readRange(std::string_view text, std::int64_t& first, std::int64_t& last,
               std::string_view& rest) {
    const std::size_t close = text.find(']');
    if (text.empty() || text[0] != '[' || close == std::string_view::npos) return false;
    rest = text.substr(close + 1);
    return readMayaIndexRange(text.substr(1, close - 1), first, last);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// One coordinate of a vertex or tweak, ".vx" or ".pz" after its index: 0 to 2, else -1.
int component(std::string_view rest, char letter) {
    if (rest.size() != 3 || rest[0] != '.' || rest[1] != letter) return -1;
    const int axis = rest[2] - 'x';
    return axis >= 0 && axis <= 2 ? axis : -1;
}

// A flag such as -type, not a negative number.
bool isFlag(std::string_view word) {
    return word.size() > 1 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9') &&
           word[1] != '.';
}

bool isLetters(std::string_view word) {
    for (char c : word) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return !word.empty();
}

std::string number(std::int64_t value) {
    return std::to_string(value);
}

// Grows `values` to at least `size` entries, new ones `fill`: to all the room reserved
// (from a count the file gave), else to twice its size. Values come one by one, and no
// count given ahead is trusted further than the file's size; the caller keeps the count
// it has filled.
template <class T>
void growTo(std::vector<T>& values, std::size_t size, T fill) {
    if (size <= values.size()) return;
    values.resize(std::max({size, values.capacity(), 2 * values.size()}), fill);
}

// A function seldom called, kept out of line: GCC and Clang take the hint.
#if defined(__GNUC__)
#define NODE_READER_COLD __attribute__((noinline, cold))
#else
#define NODE_READER_COLD
#endif

// What the numbers of the statement being read are.
enum class Data { None, Vertices, Tweaks, Edges, Faces, Uvs };

const char* dataName(Data data) {
    switch (data) {
        case Data::Vertices:
            return "vertex";
        case Data::Tweaks:
            return "tweak";
        case Data::Edges:
            return "edge";
        case Data::Faces:
            return "face";
        case Data::Uvs:
            return "texture coordinate";
        case Data::None:
            break;
    }
    return "";
}

// No offset: where a run of edge statements ended is not one to go on from.
constexpr std::uint64_t kNoOffset = std::numeric_limits<std::uint64_t>::max();

// Whether `line` starts a setAttr statement of edges as Maya writes one on a line of its
// own: blanks, then `setAttr`, and the line's first string names .ed (`setAttr -s 24
// ".ed"`, `setAttr ".ed[0:23]"`).
bool startsEdgeStatement(std::string_view line) {
    std::size_t at = 0;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (line.compare(at, 8, "setAttr ") != 0) return false;
    const std::size_t quote = line.find('"', at);
    return quote != std::string_view::npos && line.compare(quote + 1, 3, ".ed") == 0;
}

struct EdgesBeside;

// Coordinate `axis` (0 to 2) of a point's line at `at`: "v" before the first, a blank, the
// shortest text of the float as added to the point's 0 (so that -0 is 0), CR LF after the
// last. The float is `value`, or with `word` the coordinate the scene's text gives there,
// its own digits copied where they are that text; then `stop` is the byte after it, and
// null is given for a word that is no plain coordinate.
char* putPointCoordinate(char* at, int axis, const char* word, float value, const char*& stop) {
    if (axis == 0) *at++ = 'v';
    *at++ = ' ';
    char* end = word != nullptr ? putShortestOfDecimal(at, word, stop) : nullptr;
    if (end != nullptr && end - at == 2 && at[0] == '-' && at[1] == '0') {
        at[0] = '0';
        end = at + 1;
    } else if (end == nullptr) {
        if (word != nullptr && !readPlainCoordinate(word, word + kPlainPointsReach, value, stop))
            return nullptr;
        end = putShortestDecimal(at, value + 0.0f);
    }
    if (axis == 2) {
        *end++ = '\r';
        *end++ = '\n';
    }
    return end;
}

// The room the lent thread's reader has for the edges, told to the reader that waits for
// them, which makes its pages meanwhile.
struct SharedRoom {
    std::atomic<char*> data{nullptr};
    std::atomic<std::size_t> bytes{0};
};

// The statement splitter's handler: finds the node's createNode statement, then reads
// its setAttr statements until the next statement that starts a line.
class NodeReader {
public:
    NodeReader(const SceneNode& node, MeshSink& sink, std::uint64_t sceneSize)
        : node_(node), sink_(sink), sceneSize_(sceneSize), faces_(node.uvSet) {
        // Room for one corner at least: a face of none is handed over with texture corners
        // (none of them) all the same when the mesh has texture coordinates.
        corners_.reserve(1);
        cornerUvs_.reserve(1);
    }

    // Reads the node from `lines`, whose first line is `firstLine` of `scene`; with
    // `beside`, the node's edges may come from the lent thread's reader instead.
    MeshReadResult read(LineReader& lines, std::int64_t firstLine, ByteSource& scene,
                        EdgesBeside* beside);
    // The lent thread's part, on a reader of its own: from `firstLine` on (the node's, or
    // where the scanner told its edges start), the first line that starts a statement of
    // edges, then the statements of edges that follow it, up to the first statement of
    // anything else (where runEnd_ tells the reader to go on) or a refusal.
    // It gives up once `stop` is set: the reader went on without it.
    void readEdgeRun(LineReader& lines, std::int64_t firstLine, const std::atomic<bool>& stop);
    // Where the edges' room is told, once it is reserved.
    void tellEdgeRoom(SharedRoom& room) { edgeRoom_ = &room; }

    // The splitter's handler.
    bool wordsMatter() const {
        if (phase_ == Phase::Done || statement_ == Statement::Other) return false;
        return statement_ != Statement::SetAttr || !named_ || data_ != Data::None;
    }
    bool readsNumberRun() const {
        return phase_ == Phase::Reading && statement_ == Statement::SetAttr && named_ &&
               data_ != Data::None;
    }
    const char* numberRun(const char* p, const char* end) {
        return data_ == Data::Edges || data_ == Data::Faces ? integerRun(p, end) : floatRun(p, end);
    }
    void beginStatement(std::uint64_t, bool startsLine);
    void word(std::string_view word);
    void string(std::string_view text);
    void endStatement(std::uint64_t);

private:
    enum class Phase { Seeking, Reading, Done };
    enum class Statement { Unknown, Other, CreateNode, SetAttr };

    // Numbers as the splitter's quick road reads them: each closed by white space or the
    // line's end; anything else goes back to the splitter, as a word.
    const char* floatRun(const char* p, const char* end);
    const char* integerRun(const char* p, const char* end);
    // Whole edges from `p` on, three numbers at a time, as Maya writes them; gives where
    // the triples stop, for integerRun to go on from.
    const char* edgeTriples(const char* p, const char* end);
    // The count and edges of the face whose f was just read, from `p` (the byte after
    // the f) on, all at once, as Maya writes them; gives where they end, or `p` when they
    // are not so written, for integerRun to read one by one.
    const char* faceEdges(const char* p, const char* end);

    void createWord(std::string_view word);
    void name(std::string_view attribute);
    void startData(Data data, std::int64_t first, std::int64_t last, int axis, int perEntry);
    void dataWord(std::string_view word);
    void floatValue(float value);
    void integerValue(std::int64_t value);
    // Edge `edge`, from vertex `from` to `to`, both within the node's vertices.
    void putEdge(std::int64_t edge, std::uint32_t from, std::uint32_t to);
    // The refusals of the two above, out of their way: building a sentence's strings in
    // them would give every number a large stack frame.
    NODE_READER_COLD void refuseMoreValues();
    NODE_READER_COLD void refuseVertexBeyond(std::int64_t entry);
    NODE_READER_COLD void refuseFaceList();
    NODE_READER_COLD void refuseEdgeBeyond(std::int64_t edge, std::int64_t end);
    // Hands `line`, `offset` bytes into the scene, to the splitter; an unclosed string on
    // it is refused.
    void scanLine(MayaStatementSplitter<NodeReader>& splitter, std::string_view line,
                  std::uint64_t offset);
    // The reader's own side of the edges read beside, at the line that starts them: true
    // when it took them (or their refusal) and goes on past them.
    bool takeEdgesBeside(LineReader& lines, ByteSource& scene, EdgesBeside& beside);
    // In a run of edge statements: the statement starting at `offset` ends the run, unless
    // it turns out to be one of edges; the run can end there only when the statement
    // starts its line.
    void noteRunEnd(std::uint64_t offset);
    void endRun();
    void faceElement(std::string_view word);
    void endSetAttr();
    void takeFace();
    void emitFace(const MayaFace& face, std::int64_t number);
    // Plain face lines (maya_plain_faces.h) read straight from the lines at hand, once the
    // face read last is whole (its mu line in, where faces have texture coordinates) and
    // faces go to the sink as read: each face of an f line (and of the mu line of the set
    // below it, where faces have texture coordinates) that another face's f follows and
    // whose edges and coordinates emitFace would take, up to the first that is not. They
    // go to the sink in runs.
    template <class Splitter>
    bool plainFacesMayFollow(const Splitter& splitter) const {
        return phase_ == Phase::Reading && !edgesOnly_ && statement_ == Statement::SetAttr &&
               named_ && data_ == Data::Faces && splitter.inStatement() && begun_ && !hold_ &&
               faces_.hasFace() && faces_.elementWhole() && (!useUvs_ || faces_.face().mapped);
    }
    void readPlainFaces(LineReader& lines);
    // Plain coordinate lines (maya_plain_points.h) of a statement of whole vertices, read
    // straight from the lines at hand, each line's coordinates taken as floatValue would
    // take them, up to the first line that is not one or that it would refuse.
    template <class Splitter>
    bool plainPointsMayFollow(const Splitter& splitter) const {
        return phase_ == Phase::Reading && statement_ == Statement::SetAttr && named_ &&
               data_ == Data::Vertices && axis_ < 0 && splitter.inStatement();
    }
    void readPlainPoints(LineReader& lines);
    bool takePlainPoints(const char* const* words, std::size_t count);
    // Point lines (scene_mesh.h) for a sink that takes them: the node's vertices, given
    // whole and in order by statements of vertices and nothing else, become lines as they
    // are read, their coordinates' text taken from the scene's own digits where those give
    // it, and no points are held. Anything else gives the lines up, for a read without.
    bool streamed() const { return pointText_ != nullptr; }
    char* pointTextRoom(std::size_t bytes);
    void handPointLines();
    void givePointLinesUp();
    void handOverPlainRun();
    bool beginMesh();
    void finishNode();
    void refuse(const std::string& detail, std::int64_t line);
    void refuseAs(SceneRefusal problem, std::int64_t line);
    std::string uvSetName() const {
        return !uvSetName_.empty() ? uvSetName_ : "uvst[" + number(node_.uvSet) + "]";
    }
    bool facesHandedOver() const { return faceListStarted_ && !hold_; }

    const SceneNode& node_;
    MeshSink& sink_;
    const std::uint64_t sceneSize_;
    MeshReadResult result_;
    std::int64_t lineNumber_ = 0;
    std::uint64_t lineOffset_ = 0;  // of the line being scanned
    std::string_view line_;         // the line being scanned

    // Reading a run of edge statements only (the lent thread's reader).
    bool edgesOnly_ = false;
    SharedRoom* edgeRoom_ = nullptr;
    std::uint64_t runStart_ = kNoOffset;  // the line the run starts
    std::uint64_t runEnd_ = kNoOffset;    // the line of the statement after it
    std::int64_t runEndLine_ = 0;
    std::uint64_t candidateEnd_ = kNoOffset;  // the line of the statement being read
    std::int64_t candidateEndLine_ = 0;

    // The statement being read.
    std::int64_t statementLine_ = 0;
    std::string createType_;
    std::string createName_;
    std::int64_t size_ = 0;  // -s: the array's size, 0 when not given
    std::int64_t first_ = 0;
    std::int64_t values_ = 0;
    std::int64_t valuesWanted_ = 0;
    std::int64_t edgeEnds_[2] = {0, 0};
    std::int64_t nextEdge_ = 0;      // the edge the triple being read gives
    std::int64_t facesWanted_ = -1;  // -1: a face statement without a range
    std::int64_t facesInStatement_ = 0;

    // The node.
    MeshHead head_;                     // points, and texture coordinates of the set read
    std::int64_t vertexValues_ = 0;     // .vt values read
    std::unique_ptr<char[]> pointText_;  // the point lines not yet handed over, when streamed
    std::size_t pointTextUsed_ = 0;
    std::int64_t pointLinesGiven_ = 0;   // points whose lines are made
    std::int64_t pointLinesHanded_ = 0;  // and handed over
    std::size_t pointLineStart_ = 0;     // where the line of the point being read starts
    std::vector<std::uint32_t> edges_;  // both ends of each edge
    std::int64_t edgeCount_ = 0;
    std::int64_t uvCount_ = 0;
    std::string uvSetName_;
    MayaPolyFaces faces_;
    std::int64_t facesRead_ = 0;
    std::vector<std::uint32_t> corners_;
    std::vector<std::uint32_t> cornerUvs_;
    // A run of plain faces, and the lines to pass before looking for one again after a
    // look that found none (a face list laid out otherwise, with colours below each face
    // say, has none).
    std::vector<std::uint32_t> runCounts_;
    std::vector<std::uint32_t> runCorners_;
    std::vector<std::uint32_t> runUvs_;
    std::size_t runFaces_ = 0;
    std::size_t runUsed_ = 0;
    int plainRest_ = 0;

    // The small state of the read, the statement and the node, kept together.
    Phase phase_ = Phase::Seeking;
    Statement statement_ = Statement::Other;
    Data data_ = Data::None;
    int axis_ = -1;       // a single coordinate's, or -1 for whole entries
    int edgeEndAt_ = 0;   // the place of the next number in its triple
    bool createNameNext_ = false;
    bool named_ = false;
    bool sizeNext_ = false;
    bool uvSetNameStatement_ = false;
    bool edgesSeen_ = false;
    bool faceListStarted_ = false;
    bool hold_ = false;    // faces held to the node's end: they came before its points
    bool begun_ = false;   // the sink has the head
    bool useUvs_ = false;  // decided by the first face: it has texture coordinates

    // Faces held: each face's numbers (edges, then texture coordinates) in one array.
    struct HeldFace {
        std::int64_t line;
        std::size_t at;
        std::size_t edges;
        std::size_t uvs;
        std::int64_t holes;
        std::int64_t holeCorners;
        bool mapped;
    };
    std::vector<HeldFace> held_;
    std::vector<std::int64_t> heldNumbers_;
};

// The lent thread's reader hands nothing over: it stops before faces.
class NoSink : public MeshSink {
public:
    bool begin(const MeshHead&) override { return false; }
    bool face(const std::uint32_t*, const std::uint32_t*, std::size_t) override { return false; }
};

// The node's edges read on a lent thread, through a second opening of the scene, while
// the reader reads its vertices: Maya writes a mesh's vertices, then its edges, then its
// faces, each as a run of statements.
struct EdgesBeside {
    EdgesBeside(const SceneNode& node, std::uint64_t sceneSize, std::uint64_t start,
                std::int64_t line)
        : reader(node, noSink, sceneSize), from(start), firstLine(line) {
        reader.tellEdgeRoom(room);
    }
    ~EdgesBeside() { stopAndJoin(); }

    // The reader went on without the run (or ended): what the lent thread still reads is
    // of no use, another node's edges perhaps.
    void stopAndJoin() {
        stop.store(true, std::memory_order_relaxed);
        work.join();
    }

    NoSink noSink;  // before the reader, which keeps it
    NodeReader reader;
    ByteSource source;
    const std::uint64_t from;  // the line to start from, and its number
    const std::int64_t firstLine;
    std::atomic<bool> stop{false};
    SharedRoom room;              // the edges' room, once reserved
    std::atomic<bool> ended{false};  // the lent thread's part is over
    bool failed = false;  // a read failed or threw: the reader reads the edges itself
    LentWork work;        // last: joined before the rest goes
};

void readEdgesBeside(void* context) {
    auto* beside = static_cast<EdgesBeside*>(context);
    try {
        LineReader lines;
        beside->failed = !lines.open(beside->source, beside->from);
        if (!beside->failed) {
            beside->reader.readEdgeRun(lines, beside->firstLine, beside->stop);
            beside->failed = lines.failed();
        }
    } catch (...) {
        beside->failed = true;  // no room, say: the reader's own read tells
    }
    beside->ended.store(true, std::memory_order_relaxed);
}

// While the lent thread fills the edges' room, the pages of its far end, a large page at a
// time: their cost is the most the edges' read takes on a virtual machine that gives new
// memory slowly. Those the lent thread has made already are left as they are.
void makeEdgeRoom(EdgesBeside& beside) {
    char* const room = beside.room.data.load(std::memory_order_acquire);
    if (room == nullptr) return;
    constexpr std::size_t kStep = std::size_t{2} << 20;
    for (std::size_t end = beside.room.bytes.load(std::memory_order_relaxed);
         end > kStep && !beside.ended.load(std::memory_order_relaxed); end -= kStep)
        prefaultRoom(room + end - kStep, kStep);
}

bool NodeReader::takeEdgesBeside(LineReader& lines, ByteSource& scene, EdgesBeside& beside) {
    makeEdgeRoom(beside);
    beside.work.join();
    const NodeReader& run = beside.reader;
    // The run counts where it started at this line, as this reader would have read it: no
    // faces and no edges before, and it ended at a line of its own or was refused.
    const bool fits = !beside.failed && run.runStart_ == lines.lineOffset() && !faceListStarted_ &&
                      !edgesSeen_ && edges_.empty() &&
                      (run.result_.problem != SceneRefusal::None || run.runEnd_ != kNoOffset);
    if (!fits) return false;
    if (run.result_.problem != SceneRefusal::None) {
        result_ = run.result_;
        phase_ = Phase::Done;
        return true;
    }
    edges_ = std::move(beside.reader.edges_);
    edgeCount_ = run.edgeCount_;
    edgesSeen_ = run.edgesSeen_;
    lineNumber_ = run.runEndLine_ - 1;
    if (!lines.open(scene, run.runEnd_)) {
        result_ = MeshReadResult();
        result_.problem = SceneRefusal::Unreadable;
        phase_ = Phase::Done;
    }
    return true;
}

MeshReadResult NodeReader::read(LineReader& lines, std::int64_t firstLine, ByteSource& scene,
                                EdgesBeside* beside) {
    const std::int64_t vertices = node_.vertexCount;
    if (vertices < 0 || static_cast<std::uint64_t>(vertices) > sceneSize_ / kLeastVertexBytes + 1) {
        refuse("names " + number(vertices) + " vertices, more than its file could hold",
               node_.line);
        return result_;
    }
    if (sink_.takesPointLines()) {
        pointText_.reset(new char[kPointTextBytes]);
    } else {
        if (static_cast<std::uint64_t>(vertices) > head_.points.max_size() / 3)
            throw std::bad_alloc();
        reserveLarge(head_.points, 3 * static_cast<std::size_t>(vertices));
        head_.points.assign(3 * static_cast<std::size_t>(vertices), 0.0f);
    }
    MayaStatementSplitter<NodeReader> splitter(*this);
    lineNumber_ = firstLine - 1;
    std::string_view line;
    while (phase_ != Phase::Done && lines.next(line)) {
        ++lineNumber_;
        // The first line that starts edges between statements: the lent thread's, if it
        // read the same.
        if (beside != nullptr && phase_ == Phase::Reading && !splitter.inStatement() &&
            startsEdgeStatement(line)) {
            EdgesBeside& edges = *beside;
            beside = nullptr;
            if (takeEdgesBeside(lines, scene, edges)) continue;
        }
        scanLine(splitter, line, lines.lineOffset());
        if (plainRest_ > 0)
            --plainRest_;
        else if (plainFacesMayFollow(splitter))
            readPlainFaces(lines);
        else if (plainPointsMayFollow(splitter))
            readPlainPoints(lines);
    }
    if (lines.failed()) {
        result_ = MeshReadResult();
        result_.problem = SceneRefusal::Unreadable;
        return result_;
    }
    if (phase_ == Phase::Seeking) refuseAs(SceneRefusal::SceneChanged, node_.line);
    if (phase_ == Phase::Reading && splitter.inStatement())
        refuseAs(SceneRefusal::UnterminatedStatement, statementLine_);
    if (phase_ == Phase::Reading) finishNode();
    return result_;
}

void NodeReader::scanLine(MayaStatementSplitter<NodeReader>& splitter, std::string_view line,
                          std::uint64_t offset) {
    lineOffset_ = offset;
    line_ = line;
    // The splitter calls back into this reader, which may end the read.
    // cppcheck-suppress knownConditionTrueFalse
    if (!splitter.scanLine(line, offset) && phase_ != Phase::Done)
        refuseAs(SceneRefusal::UnterminatedString, lineNumber_);
}

void NodeReader::readEdgeRun(LineReader& lines, std::int64_t firstLine,
                             const std::atomic<bool>& stop) {
    edgesOnly_ = true;
    phase_ = Phase::Reading;
    MayaStatementSplitter<NodeReader> splitter(*this);
    lineNumber_ = firstLine - 1;
    std::string_view line;
    while (phase_ != Phase::Done && !stop.load(std::memory_order_relaxed) && lines.next(line)) {
        ++lineNumber_;
        if (runStart_ == kNoOffset) {
            if (!startsEdgeStatement(line)) continue;
            runStart_ = lines.lineOffset();
        }
        scanLine(splitter, line, lines.lineOffset());
    }
}

void NodeReader::noteRunEnd(std::uint64_t offset) {
    candidateEnd_ = kNoOffset;
    if (offset < lineOffset_ || offset - lineOffset_ > line_.size()) return;
    for (const char c : line_.substr(0, static_cast<std::size_t>(offset - lineOffset_))) {
        if (c != ' ' && c != '\t') return;
    }
    candidateEnd_ = lineOffset_;
    candidateEndLine_ = lineNumber_;
}

void NodeReader::endRun() {
    runEnd_ = candidateEnd_;
    runEndLine_ = candidateEndLine_;
    phase_ = Phase::Done;
}

const char* NodeReader::floatRun(const char* p, const char* end) {
    while (phase_ != Phase::Done) {
        while (p != end && isStreamSpace(*p)) ++p;
        if (p == end) return end;
        float value = 0.0f;
        const char* stop = nullptr;
        if (!readPlainCoordinate(p, end, value, stop)) {
            TextCursor cursor(std::string_view(p, static_cast<std::size_t>(end - p)));
            if (!readFloat(cursor, value)) return p;
            stop = cursor.position;
        }
        if (stop != end && !isStreamSpace(*stop)) return p;
        floatValue(value);
        p = stop;
    }
    return end;
}

// The number of plain digits at `p`, fewer than eight and closed by a blank (or, with
// `last`, by white space or `end`), in `value` and past its closing byte in `p`; false,
// leaving `p`, for anything else. Eight bytes from `p` must be there to look at.
inline bool shortNumber(const char*& p, const char* end, std::uint64_t& value, bool last) {
    const unsigned digits = leadingDigits(byte_search::loadWord(p), value);
    if (digits == 0 || digits == 8) return false;
    const char* const after = p + digits;  // within the eight bytes looked at
    if (last ? after != end && !isStreamSpace(*after) : *after != ' ') return false;
    p = last ? after : after + 1;
    return true;
}

const char* NodeReader::edgeTriples(const char* p, const char* end) {
    // Three numbers of up to seven digits and their two blanks take at most 23 bytes; the
    // last number is looked at eight bytes from its start.
    const auto vertexCount = static_cast<std::uint64_t>(node_.vertexCount);
    while (end - p >= 24 && valuesWanted_ - values_ >= 3) {
        const char* q = p;
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        std::uint64_t flag = 0;
        if (!shortNumber(q, end, from, false) || !shortNumber(q, end, to, false) ||
            !shortNumber(q, end, flag, true) || from >= vertexCount || to >= vertexCount)
            break;  // integerRun reads the triple, and refuses it if it must
        values_ += 3;
        putEdge(nextEdge_++, static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to));
        p = q;
        if (p != end && *p == ' ') ++p;
    }
    return p;
}

// A number as shortNumber reads it with `last`, with a '-' before its digits or not, and
// from fewer than eight bytes too (a line's last numbers): those a byte at a time.
inline bool shortSignedNumber(const char*& p, const char* end, std::int64_t& value) {
    const bool negative = p != end && *p == '-';
    const char* q = negative ? p + 1 : p;
    std::uint64_t magnitude = 0;
    if (end - q >= 8) {
        if (!shortNumber(q, end, magnitude, true)) return false;
    } else {
        const char* const digits = q;
        unsigned digit = 0;
        while (q != end && (digit = static_cast<unsigned char>(*q - '0')) < 10) {
            magnitude = magnitude * 10 + digit;
            ++q;
        }
        if (q == digits || (q != end && !isStreamSpace(*q))) return false;
    }
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    p = q;
    return true;
}

const char* NodeReader::faceEdges(const char* p, const char* end) {
    // The most edges read at once: faces of more are rare.
    constexpr std::int64_t kMostEdges = 16;
    if (p == end || *p != ' ') return p;
    const char* q = p + 1;
    std::int64_t count = 0;
    if (!shortSignedNumber(q, end, count) || count < 0 || count > kMostEdges) return p;
    std::int64_t* const edges = faces_.faceEdgesRoom(static_cast<std::size_t>(count));
    if (edges == nullptr) return p;
    bool whole = true;
    for (std::int64_t i = 0; whole && i < count; ++i) {
        // The count and each edge but the last are closed by one blank.
        whole = q != end && *q == ' ';
        if (whole) whole = shortSignedNumber(++q, end, edges[i]);
    }
    if (!whole) {
        faces_.dropFaceEdges();
        return p;
    }
    faces_.takeFaceEdges();
    return q;
}

const char* NodeReader::integerRun(const char* p, const char* end) {
    while (phase_ != Phase::Done) {
        while (p != end && isStreamSpace(*p)) ++p;
        // Most of an edge list is whole triples, read together.
        if (data_ == Data::Edges && edgeEndAt_ == 0) p = edgeTriples(p, end);
        if (p == end) return end;
        const char* const first = p;
        if (data_ == Data::Faces && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z'))) {
            // An element's letters (f, mu, ...), most of a face list's words after numbers.
            while (p != end && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z'))) ++p;
            if (p != end && !isStreamSpace(*p)) return first;
            faceElement(std::string_view(first, static_cast<std::size_t>(p - first)));
            // Most of a face list is faces' edges, read together.
            if (p - first == 1 && *first == 'f' && phase_ != Phase::Done) p = faceEdges(p, end);
            continue;
        }
        const bool negative = *p == '-';
        if (negative) ++p;
        const char* const digits = p;
        std::uint64_t value = 0;
        unsigned count = 8;
        if (end - p > 8) count = leadingDigits(byte_search::loadWord(p), value);
        if (count < 8) {
            p += count;  // not the end: more than eight bytes were left
            if (count == 0 || !isStreamSpace(*p)) return first;
        } else {
            unsigned digit = 0;
            while (p != end && (digit = static_cast<unsigned char>(*p - '0')) < 10) {
                value = value * 10 + digit;
                ++p;
            }
            // 18 digits cannot overflow; anything else is a word.
            if (p == digits || p - digits > 18 || (p != end && !isStreamSpace(*p))) return first;
        }
        const auto magnitude = static_cast<std::int64_t>(value);
        integerValue(negative ? -magnitude : magnitude);
    }
    return end;
}

void NodeReader::beginStatement(std::uint64_t offset, bool startsLine) {
    if (phase_ == Phase::Done) return;
    if (edgesOnly_) {
        noteRunEnd(offset);
        if (startsLine) {
            endRun();  // it ends the node
            return;
        }
    }
    // Maya indents the statements of a node; one that starts a line ends the node.
    if (phase_ == Phase::Reading && startsLine) {
        finishNode();
        return;
    }
    statement_ = Statement::Unknown;
    statementLine_ = lineNumber_;
}

void NodeReader::word(std::string_view word) {
    if (phase_ == Phase::Done) return;
    switch (statement_) {
        case Statement::Unknown:
            if (edgesOnly_ && word != "setAttr") {
                endRun();
            } else if (word == "createNode") {
                statement_ = Statement::CreateNode;
                createType_.clear();
                createName_.clear();
                createNameNext_ = false;
            } else if (word == "setAttr" && phase_ == Phase::Reading) {
                statement_ = Statement::SetAttr;
                named_ = sizeNext_ = uvSetNameStatement_ = false;
                size_ = 0;
                data_ = Data::None;
            } else {
                statement_ = Statement::Other;
            }
            break;
        case Statement::CreateNode:
            createWord(word);
            break;
        case Statement::SetAttr:
            if (!named_) {
                // Flags before the attribute's name; -s gives its array's size.
                if (sizeNext_ && !readMayaIndex(word, size_)) size_ = 0;
                sizeNext_ = !sizeNext_ && (word == "-s" || word == "-size");
            } else if (!isFlag(word) || data_ == Data::Edges) {
                // A flag among edge numbers is a word that is no number, as the scan
                // refuses it.
                dataWord(word);
            }
            break;
        case Statement::Other:
            break;
    }
}

void NodeReader::createWord(std::string_view word) {
    if (createNameNext_ && word[0] != '-') {
        createName_.assign(word.data(), word.size());
        createNameNext_ = false;
        return;
    }
    createNameNext_ = word == "-n" || word == "-name";
    if (!createNameNext_ && createType_.empty() && word[0] != '-')
        createType_.assign(word.data(), word.size());
}

void NodeReader::string(std::string_view text) {
    if (phase_ == Phase::Done) return;
    if (statement_ == Statement::Unknown) {
        statement_ = Statement::Other;
        if (edgesOnly_) endRun();
    } else if (statement_ == Statement::CreateNode && createNameNext_) {
        createName_.assign(text.data(), text.size());
        createNameNext_ = false;
    } else if (statement_ == Statement::SetAttr) {
        if (!named_) {
            name(text);  // the first string of a setAttr names its attribute
        } else if (uvSetNameStatement_) {
            uvSetName_.assign(text.data(), text.size());  // the last string is the value
        }
    }
}

void NodeReader::endStatement(std::uint64_t) {
    if (phase_ == Phase::Done) return;
    const bool isMesh = statement_ == Statement::CreateNode && createType_ == "mesh";
    if (phase_ == Phase::Seeking) {
        if (isMesh && createName_ == node_.name &&
            (node_.start != 0 || node_.line == 0 || statementLine_ == node_.line)) {
            phase_ = Phase::Reading;
        } else if (node_.start != 0) {
            refuseAs(SceneRefusal::SceneChanged, node_.line);  // not the node found before
        }
    } else if (isMesh) {
        finishNode();  // the scanner ends a node at a mesh's createNode too
    } else if (statement_ == Statement::SetAttr && named_) {
        endSetAttr();
    }
    statement_ = Statement::Other;
}

void NodeReader::name(std::string_view attribute) {
    if (edgesOnly_ && !startsWith(attribute, ".ed")) {
        endRun();
        return;
    }
    named_ = true;
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::string_view rest;
    if (startsWith(attribute, ".vt[") && readRange(attribute.substr(3), first, last, rest)) {
        const int axis = component(rest, 'v');
        if (rest.empty() || (axis >= 0 && first == last))
            startData(Data::Vertices, first, last, axis, 3);
    } else if (startsWith(attribute, ".pt[") && readRange(attribute.substr(3), first, last, rest)) {
        const int axis = component(rest, 'p');
        if (rest.empty() || (axis >= 0 && first == last))
            startData(Data::Tweaks, first, last, axis, 3);
    } else if (startsWith(attribute, ".ed")) {
        if (size_ > 0 && static_cast<std::uint64_t>(size_) <= sceneSize_ / kLeastEdgeBytes)
            reserveLarge(edges_, 2 * static_cast<std::size_t>(size_));
        if (edgeRoom_ != nullptr && edges_.capacity() != 0) {
            edgeRoom_->bytes.store(edges_.capacity() * sizeof(std::uint32_t),
                                   std::memory_order_relaxed);
            edgeRoom_->data.store(reinterpret_cast<char*>(edges_.data()),
                                  std::memory_order_release);
        }
        if (readRange(attribute.substr(3), first, last, rest) && rest.empty())
            startData(Data::Edges, first, last, -1, 3);
    } else if (attribute == ".fc") {
        startData(Data::Faces, 0, -1, -1, 0);
    } else if (startsWith(attribute, ".fc[") && readRange(attribute.substr(3), first, last, rest) &&
               rest.empty()) {
        startData(Data::Faces, first, last, -1, 0);
    } else if (startsWith(attribute, ".uvst[") &&
               readRange(attribute.substr(5), first, last, rest) && first == last &&
               first == node_.uvSet) {
        if (rest == ".uvsn") {
            uvSetNameStatement_ = true;
        } else if (startsWith(rest, ".uvsp")) {
            if (size_ > 0 && static_cast<std::uint64_t>(size_) <= sceneSize_ / kLeastUvBytes)
                reserveLarge(head_.uvs, 2 * static_cast<std::size_t>(size_));
            std::string_view after;
            if (readRange(rest.substr(5), first, last, after) && after.empty())
                startData(Data::Uvs, first, last, -1, 2);
        }
    }
}

void NodeReader::startData(Data data, std::int64_t first, std::int64_t last, int axis,
                           int perEntry) {
    if (data != Data::Faces && facesHandedOver()) {
        refuse(std::string("gives ") +
                   (data == Data::Vertices ? "vertices"
                    : data == Data::Tweaks ? "tweaks"
                    : data == Data::Edges  ? "edges"
                                           : "texture coordinates") +
                   " after faces already read",
               statementLine_);
        return;
    }
    // A file holds no more entries than it has room for: a range beyond that is damage.
    const std::uint64_t room =
        sceneSize_ / (data == Data::Uvs ? kLeastUvBytes : kLeastEdgeBytes) + 1;
    if ((data == Data::Edges || data == Data::Uvs) && static_cast<std::uint64_t>(last) >= room) {
        refuse(std::string("has a ") + dataName(data) + " statement of entries up to " +
                   number(last) + ", more than its file could hold",
               statementLine_);
        return;
    }
    // Point lines go on with the next whole vertices only: tweaks would change points whose
    // lines are made, and vertices out of order or a coordinate at a time come elsewhere.
    if (streamed() && (data == Data::Tweaks ||
                       (data == Data::Vertices && (axis >= 0 || first != pointLinesGiven_)))) {
        givePointLinesUp();
        return;
    }
    data_ = data;
    first_ = first;
    axis_ = axis;
    values_ = 0;
    valuesWanted_ = axis >= 0 ? 1 : perEntry * (last - first + 1);
    if (data == Data::Edges) {
        edgesSeen_ = true;
        edgeEndAt_ = 0;
        nextEdge_ = first;
    }
    if (data != Data::Faces) return;
    if (!faceListStarted_) {
        // Faces are handed over as they come once the points and edges are whole, as
        // Maya writes them; a node that gives them first has them held.
        faceListStarted_ = true;
        hold_ = vertexValues_ < 3 * node_.vertexCount || !edgesSeen_;
    }
    facesWanted_ = last >= first ? last - first + 1 : -1;
    facesInStatement_ = 0;
    if (facesWanted_ >= 0 && first != facesRead_)
        refuse("gives face " + number(first) + " where face " + number(facesRead_) + " comes next",
               statementLine_);
}

void NodeReader::dataWord(std::string_view word) {
    TextCursor cursor(word);
    if (data_ == Data::Edges || data_ == Data::Faces) {
        std::int64_t value = 0;
        if (readInt64(cursor, value) && cursor.atEnd()) {
            integerValue(value);
        } else if (data_ == Data::Faces && isLetters(word)) {
            faceElement(word);
        } else {
            refuse(std::string("has ") + (data_ == Data::Edges ? "an edge" : "a face") +
                       " statement holding '" + std::string(word) + "'",
                   lineNumber_);
        }
        return;
    }
    // A coordinate that is no number ("nan", "1.#INF") is no finite one: the sink says so.
    float value = 0.0f;
    if (!readFloat(cursor, value) || !cursor.atEnd())
        value = std::numeric_limits<float>::quiet_NaN();
    floatValue(value);
}

void NodeReader::refuseMoreValues() {
    refuse(std::string("has a") + (data_ == Data::Edges ? "n " : " ") + dataName(data_) +
               " statement holding more values than its range",
           lineNumber_);
}

void NodeReader::refuseVertexBeyond(std::int64_t entry) {
    refuse("gives vertex " + number(entry) + " beyond its " + number(node_.vertexCount) +
               " vertices",
           lineNumber_);
}

void NodeReader::refuseFaceList() {
    refuse("has a face list that does not read as faces", lineNumber_);
}

void NodeReader::refuseEdgeBeyond(std::int64_t edge, std::int64_t end) {
    refuse("has edge " + number(edge) + " joining vertex " + number(end) + ", beyond its " +
               number(node_.vertexCount) + " vertices",
           lineNumber_);
}

void NodeReader::floatValue(float value) {
    if (values_ == valuesWanted_) {
        refuseMoreValues();
        return;
    }
    const std::int64_t at = values_++;
    if (data_ == Data::Uvs) {
        // Entry first_ + at / 2, coordinate at % 2: the place 2 * first_ + at.
        const std::int64_t place = 2 * first_ + at;
        const std::int64_t entries = place / 2 + 1;
        if (static_cast<std::size_t>(place) == head_.uvs.size()) {
            head_.uvs.push_back(value);  // the next in order: no gap to fill
        } else {
            growTo(head_.uvs, 2 * static_cast<std::size_t>(entries), 0.0f);
            head_.uvs[static_cast<std::size_t>(place)] = value;
        }
        uvCount_ = std::max(uvCount_, entries);
        return;
    }
    // Entry first_ + at / 3, axis at % 3 (or the one coordinate's): the place 3 * first_ + at.
    const std::int64_t place = axis_ >= 0 ? 3 * first_ + axis_ : 3 * first_ + at;
    if (place >= 3 * node_.vertexCount) {
        const std::int64_t entry = place / 3;
        // Tweaks may outlast vertices a mesh lost; a vertex beyond the count is one given
        // a coordinate at a time (".vt[9].vx"), which makes no vertex of its own.
        if (data_ == Data::Vertices) refuseVertexBeyond(entry);
        return;
    }
    if (streamed()) {
        // Whole vertices in order (startData saw to it): the coordinate's line goes on.
        if (!std::isfinite(value)) {
            givePointLinesUp();  // which the sink refuses, once all else is read
            return;
        }
        const auto axis = static_cast<int>(place % 3);
        const char* stop = nullptr;
        const char* const end =
            putPointCoordinate(pointTextRoom(kShortestFloatBytes + 4), axis, nullptr, value, stop);
        pointTextUsed_ = static_cast<std::size_t>(end - pointText_.get());
        if (axis == 2) {
            pointLineStart_ = pointTextUsed_;
            ++pointLinesGiven_;
        }
        ++vertexValues_;
        return;
    }
    // A tweak adds to its vertex; both start from 0, in whichever order they come.
    head_.points[static_cast<std::size_t>(place)] += value;
    if (data_ == Data::Vertices) ++vertexValues_;
}

void NodeReader::integerValue(std::int64_t value) {
    if (data_ == Data::Faces) {
        if (!faces_.number(value)) refuseFaceList();
        return;
    }
    if (values_ == valuesWanted_) {
        refuseMoreValues();
        return;
    }
    ++values_;
    // Triples (vertex, vertex, flag); the k-th is the edge first + k.
    if (edgeEndAt_ < 2) {
        edgeEnds_[edgeEndAt_++] = value;
        return;
    }
    edgeEndAt_ = 0;
    const std::int64_t edge = nextEdge_++;
    for (const std::int64_t end : edgeEnds_) {
        if (end < 0 || end >= node_.vertexCount) {
            refuseEdgeBeyond(edge, end);
            return;
        }
    }
    putEdge(edge, static_cast<std::uint32_t>(edgeEnds_[0]),
            static_cast<std::uint32_t>(edgeEnds_[1]));
}

void NodeReader::putEdge(std::int64_t edge, std::uint32_t from, std::uint32_t to) {
    if (static_cast<std::size_t>(2 * edge) == edges_.size()) {
        // The next edge in order, as Maya writes them: appended, into the room reserved,
        // with no gap to mark.
        edges_.push_back(from);
        edges_.push_back(to);
    } else {
        growTo(edges_, 2 * static_cast<std::size_t>(edge + 1), kNotGiven);
        edges_[static_cast<std::size_t>(2 * edge)] = from;
        edges_[static_cast<std::size_t>(2 * edge + 1)] = to;
    }
    edgeCount_ = std::max(edgeCount_, edge + 1);
}

void NodeReader::faceElement(std::string_view word) {
    // An f closes the face before it, which is taken first.
    if (word == "f" && faces_.hasFace()) {
        if (!faces_.elementWhole()) {
            refuse("has a face list that does not read as faces", lineNumber_);
            return;
        }
        takeFace();
        if (phase_ == Phase::Done) return;
    }
    if (!faces_.element(word, lineNumber_))
        refuse("has a face list that does not read as faces", lineNumber_);
}

void NodeReader::endSetAttr() {
    if (data_ == Data::Faces) {
        if (faces_.hasFace()) {
            if (!faces_.elementWhole()) {
                refuse("has a face list that does not read as faces", lineNumber_);
                return;
            }
            takeFace();
            if (phase_ == Phase::Done) return;
        }
        faces_.endStatement();
        if (facesWanted_ >= 0 && facesInStatement_ != facesWanted_) {
            refuse("has a face statement of " + number(facesInStatement_) +
                       " faces for a range of " + number(facesWanted_),
                   statementLine_);
        }
        return;
    }
    if (data_ != Data::None && values_ != valuesWanted_) {
        refuse(std::string("has a ") + dataName(data_) +
                   " statement whose values do not fill its range",
               statementLine_);
    }
}

void NodeReader::takeFace() {
    const MayaFace& face = faces_.face();
    ++facesInStatement_;
    const std::int64_t faceNumber = facesRead_++;
    if (!hold_) {
        emitFace(face, faceNumber);
        return;
    }
    held_.push_back({face.line, heldNumbers_.size(), face.edges.size(), face.uvs.size(), face.holes,
                     face.holeCorners, face.mapped});
    heldNumbers_.insert(heldNumbers_.end(), face.edges.begin(), face.edges.end());
    heldNumbers_.insert(heldNumbers_.end(), face.uvs.begin(), face.uvs.end());
}

void NodeReader::emitFace(const MayaFace& face, std::int64_t faceNumber) {
    corners_.clear();
    cornerUvs_.clear();
    // Each corner is the vertex its edge starts from, as the face walks it.
    std::uint32_t end = kNotGiven;  // where the edge before ends
    const bool closed = face.edges.size() >= 3;
    for (const std::int64_t given : face.edges) {
        const bool backwards = given < 0;
        const std::int64_t edge = backwards ? -given - 1 : given;
        if (edge >= edgeCount_) {
            refuse("has face " + number(faceNumber) + " naming edge " + number(edge) +
                       ", beyond its " + number(edgeCount_) + " edges",
                   face.line);
            return;
        }
        const std::uint32_t start =
            edges_[static_cast<std::size_t>(2 * edge + (backwards ? 1 : 0))];
        if (start == kNotGiven) {
            refuse("has face " + number(faceNumber) + " naming edge " + number(edge) +
                       ", which its edge statements do not give",
                   face.line);
            return;
        }
        // The edge before must end where this one starts: a face is a closed walk. (A
        // face of fewer than three edges is the writer's to refuse, as too few corners.)
        if (!corners_.empty() && closed && end != start) {
            refuse("has face " + number(faceNumber) + " whose edge " + number(edge) +
                       " does not start where the edge before it ends",
                   face.line);
            return;
        }
        corners_.push_back(start);
        end = edges_[static_cast<std::size_t>(2 * edge + (backwards ? 0 : 1))];
    }
    if (closed && end != corners_.front()) {
        refuse("has face " + number(faceNumber) +
                   " whose last edge does not end where its first starts",
               face.line);
        return;
    }
    // The first face tells whether the mesh has texture coordinates; every face agrees.
    if (!begun_) useUvs_ = face.mapped;
    if (face.mapped != useUvs_) {
        refuse("has face " + number(faceNumber) + (face.mapped ? " with" : " without") +
                   " texture coordinates in its UV set " + uvSetName() + ", while face 0 has " +
                   (face.mapped ? "none" : "them"),
               face.line);
        return;
    }
    if (useUvs_) {
        // Those of the outer corners come first; any after them are the holes'.
        const std::size_t corners = face.edges.size();
        if (face.uvs.size() != corners &&
            face.uvs.size() != corners + static_cast<std::size_t>(face.holeCorners)) {
            refuse("has face " + number(faceNumber) + " giving " +
                       number(static_cast<std::int64_t>(face.uvs.size())) +
                       " texture coordinates for its " +
                       number(static_cast<std::int64_t>(corners)) + " corners",
                   face.line);
            return;
        }
        for (std::size_t i = 0; i < corners; ++i) {
            if (face.uvs[i] >= uvCount_) {
                refuse("has face " + number(faceNumber) + " naming texture coordinate " +
                           number(face.uvs[i]) + ", beyond the " + number(uvCount_) +
                           " of its UV set " + uvSetName(),
                       face.line);
                return;
            }
            cornerUvs_.push_back(static_cast<std::uint32_t>(face.uvs[i]));
        }
    }
    if (!begun_ && !beginMesh()) return;
    if (face.holes > 0) ++result_.holedFaces;
    ++result_.faces;
    // A set of no texture coordinates serves only faces of no corners: with none handed
    // over, the faces get no texture corners either.
    const bool uvsHanded = useUvs_ && uvCount_ > 0;
    if (!sink_.face(corners_.data(), uvsHanded ? cornerUvs_.data() : nullptr, corners_.size())) {
        result_.stopped = true;
        phase_ = Phase::Done;
    }
}

// Faces a run holds at most, and their corners.
constexpr std::size_t kRunFaces = 4096;
constexpr std::size_t kRunCorners = 4 * kRunFaces;

void NodeReader::readPlainFaces(LineReader& lines) {
    if (runCorners_.empty()) {
        runCounts_.resize(kRunFaces);
        runCorners_.resize(kRunCorners);
    }
    if (useUvs_ && runUvs_.empty()) runUvs_.resize(kRunCorners);
    const std::string_view ahead = lines.linesAtHand();
    const char* const first = ahead.data();
    const char* const end = first + ahead.size();
    const char* p = first;
    std::int64_t passed = 0;
    PlainFace face;
    PlainUvs uvs;
    while (phase_ != Phase::Done) {
        const char* next = readPlainFaceLine(p, end, face);
        if (next != nullptr && useUvs_) next = readPlainUvLine(next, end, face.count, uvs);
        // A face is whole once the next f begins: the line after it must start one.
        if (next == nullptr || !startsFaceElement(next, end)) break;
        if (runUsed_ + face.count > kRunCorners) handOverPlainRun();
        if (phase_ == Phase::Done) break;
        std::uint32_t* const corners = runCorners_.data() + runUsed_;
        if (!walkPlainFace(face, edges_.data(), edgeCount_, kNotGiven, corners)) break;
        if (useUvs_) {
            // Of the set read, each one of its coordinates.
            if (uvs.set() != node_.uvSet) break;
            bool within = true;
            for (std::size_t i = 0; i < face.count; ++i) {
                within = within && uvs.uvs()[i] >= 0 && uvs.uvs()[i] < uvCount_;
                runUvs_[runUsed_ + i] = static_cast<std::uint32_t>(uvs.uvs()[i]);
            }
            if (!within) break;
        }
        if (passed == 0) {
            // The face read before is whole: taken first, as this face's f would take it.
            takeFace();
            if (phase_ == Phase::Done) break;
            faces_.faceTaken();
        }
        runCounts_[runFaces_++] = static_cast<std::uint32_t>(face.count);
        runUsed_ += face.count;
        passed += useUvs_ ? 2 : 1;  // the f line, and its mu line where faces have one
        p = next;
        if (runFaces_ == kRunFaces) handOverPlainRun();
    }
    handOverPlainRun();
    lines.passAtHand(static_cast<std::size_t>(p - first));
    lineNumber_ += passed;
    if (passed == 0) plainRest_ = 64;
}

void NodeReader::readPlainPoints(LineReader& lines) {
    struct Taker : PlainPointLines {
        explicit Taker(NodeReader& taking) : reader(taking) {}
        bool line(const char* const* words, std::size_t count) override {
            return reader.takePlainPoints(words, count);
        }
        NodeReader& reader;
    };
    Taker taker(*this);
    const std::string_view ahead = lines.linesAtHand();
    std::int64_t passed = 0;
    const char* const next =
        readPlainPointLines(ahead.data(), ahead.data() + ahead.size(), taker, passed);
    lines.passAtHand(static_cast<std::size_t>(next - ahead.data()));
    lineNumber_ += passed;
    if (passed == 0) plainRest_ = 64;
}

bool NodeReader::takePlainPoints(const char* const* words, std::size_t count) {
    // As floatValue takes whole vertices: none beyond the statement's range or the node's
    // points, which it would refuse.
    const auto values = static_cast<std::int64_t>(count);
    const std::int64_t place = 3 * first_ + values_;
    if (valuesWanted_ - values_ < values || place + values > 3 * node_.vertexCount) return false;
    if (streamed()) {
        char* at = pointTextRoom(count * (kShortestFloatBytes + 4));
        char* lineStart = pointText_.get() + pointLineStart_;
        auto axis = static_cast<int>(place % 3);
        for (std::size_t i = 0; i < count; ++i, axis = axis == 2 ? 0 : axis + 1) {
            const char* stop = nullptr;
            at = putPointCoordinate(at, axis, words[i], 0.0f, stop);
            if (at == nullptr || !isStreamSpace(*stop)) return false;  // the line not taken
            if (axis == 2) lineStart = at;
        }
        pointTextUsed_ = static_cast<std::size_t>(at - pointText_.get());
        pointLineStart_ = static_cast<std::size_t>(lineStart - pointText_.get());
        pointLinesGiven_ = (place + values) / 3;
    } else {
        float coordinates[kPlainPointsMostPerLine];
        for (std::size_t i = 0; i < count; ++i) {
            const char* stop = nullptr;
            if (!readPlainCoordinate(words[i], words[i] + kPlainPointsReach, coordinates[i],
                                     stop) ||
                !isStreamSpace(*stop))
                return false;
        }
        float* const points = head_.points.data() + place;
        for (std::size_t i = 0; i < count; ++i) points[i] += coordinates[i];
    }
    values_ += values;
    vertexValues_ += values;
    return true;
}

char* NodeReader::pointTextRoom(std::size_t bytes) {
    if (kPointTextBytes - pointTextUsed_ < bytes) handPointLines();
    return pointText_.get() + pointTextUsed_;
}

void NodeReader::handPointLines() {
    // The lines made; a point's line begun goes on at the start.
    sink_.pointLines(std::string_view(pointText_.get(), pointLineStart_),
                     pointLinesGiven_ - pointLinesHanded_);
    pointLinesHanded_ = pointLinesGiven_;
    pointTextUsed_ -= pointLineStart_;
    std::memmove(pointText_.get(), pointText_.get() + pointLineStart_, pointTextUsed_);
    pointLineStart_ = 0;
}

void NodeReader::givePointLinesUp() {
    result_.pointLinesGivenUp = true;
    phase_ = Phase::Done;
}

void NodeReader::handOverPlainRun() {
    const std::size_t faces = runFaces_;
    runFaces_ = runUsed_ = 0;
    if (faces == 0 || phase_ == Phase::Done) return;
    facesInStatement_ += static_cast<std::int64_t>(faces);
    facesRead_ += static_cast<std::int64_t>(faces);
    // As emitFace hands them: none when the set has no coordinates, and then every face has
    // none either (a face of corners would have been refused).
    const std::uint32_t* const uvs = useUvs_ && uvCount_ > 0 ? runUvs_.data() : nullptr;
    const std::size_t taken = sink_.faces(runCounts_.data(), faces, runCorners_.data(), uvs);
    result_.faces += static_cast<std::int64_t>(taken);
    if (taken < faces) {
        ++result_.faces;  // the one refused was handed over too, as emitFace counts it
        result_.stopped = true;
        phase_ = Phase::Done;
    }
}

bool NodeReader::beginMesh() {
    if (streamed()) {
        // Every point's line made: the lines go first, the head follows without points.
        if (pointLinesGiven_ != node_.vertexCount) {
            givePointLinesUp();
            return false;
        }
        handPointLines();
        pointText_.reset();
    }
    begun_ = true;
    if (useUvs_) {
        head_.uvs.resize(2 * static_cast<std::size_t>(uvCount_));
        head_.uvSet = uvSetName();
    } else {
        head_.uvs.clear();
        head_.uvs.shrink_to_fit();
    }
    if (sink_.begin(head_)) {
        // The sink has taken them, and nothing adds to them once faces are handed over:
        // their room goes back before the faces' lines need room of their own.
        std::vector<float>().swap(head_.points);
        std::vector<float>().swap(head_.uvs);
        return true;
    }
    result_.stopped = true;
    phase_ = Phase::Done;
    return false;
}

void NodeReader::finishNode() {
    phase_ = Phase::Done;
    MayaFace face;
    for (std::size_t i = 0;
         i < held_.size() && result_.problem == SceneRefusal::None && !result_.stopped; ++i) {
        const HeldFace& given = held_[i];
        const auto numbers = heldNumbers_.begin() + static_cast<std::ptrdiff_t>(given.at);
        face.edges.assign(numbers, numbers + static_cast<std::ptrdiff_t>(given.edges));
        face.uvs.assign(numbers + static_cast<std::ptrdiff_t>(given.edges),
                        numbers + static_cast<std::ptrdiff_t>(given.edges + given.uvs));
        face.mapped = given.mapped;
        face.holes = given.holes;
        face.holeCorners = given.holeCorners;
        face.line = given.line;
        emitFace(face, static_cast<std::int64_t>(i));
    }
    if (result_.problem != SceneRefusal::None || result_.stopped) return;
    if (!begun_ && !beginMesh()) return;
    if (result_.holedFaces > 0) result_.warnings.push_back(MeshWarning::FaceHolesDropped);
}

void NodeReader::refuse(const std::string& detail, std::int64_t line) {
    if (result_.problem != SceneRefusal::None) return;
    refuseAs(SceneRefusal::NodeHoldsNoMesh, line);
    result_.detail = detail;
}

void NodeReader::refuseAs(SceneRefusal problem, std::int64_t line) {
    if (result_.problem != SceneRefusal::None) return;
    result_.problem = problem;
    result_.line = line;
    phase_ = Phase::Done;
}

}  // namespace

MeshReadResult readMayaMesh(ByteSource& scene, const SceneNode& node, MeshSink& sink) {
    // Straight to the node's createNode when the scanner told where it starts; else from
    // the top, to the createNode on its line.
    LineReader lines;
    if (!lines.open(scene, node.start)) {
        MeshReadResult result;
        result.problem = SceneRefusal::Unreadable;
        return result;
    }
    const std::int64_t firstLine = node.start != 0 ? node.line : 1;
    // The lent thread goes straight to the edges where the scanner told where they start.
    const bool edgesTold = node.edgesLine != 0 && node.edgesAt >= node.start;
    EdgesBeside beside(node, scene.size(), edgesTold ? node.edgesAt : node.start,
                       edgesTold ? node.edgesLine : firstLine);
    // Beside only from where the scanner told the node starts: from the top, the first run
    // of edges is the first node's.
    const SecondThread* thread = node.start != 0 ? sink.readerThread() : nullptr;
    const bool lent = thread != nullptr && beside.source.openAgain(scene) &&
                      beside.work.start(thread, readEdgesBeside, &beside);
    NodeReader reader(node, sink, scene.size());
    MeshReadResult result = reader.read(lines, firstLine, scene, lent ? &beside : nullptr);
    beside.stopAndJoin();
    return result;
}

}  // namespace tessaryn
