#include "scene/usd/usd_mesh_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "base/large_arrays.h"
#include "base/line_reader.h"
#include "scene/usd/usd_arrays.h"
#include "scene/usd/usd_byte_reader.h"
#include "scene/usd/usd_lexer.h"

namespace tessaryn {

namespace {

// A texture primvar as read: its values, its indices where it has them, its interpolation.
struct TexturePrimvar {
    std::string name;  // after "primvars:"
    std::vector<float> values;
    std::vector<std::uint32_t> indices;
    std::string indicesName;  // the primvar whose indices these are
    std::string interpolation;
    std::int64_t line = 0;
    bool read = false;
    bool indexed = false;
};

// What the prim's properties gave.
struct MeshArrays {
    std::vector<std::uint32_t> counts;
    // faceVertexIndices are passed over as the prim is read; the faces are read from
    // indicesAt (in the layer) once the points are at hand.
    std::uint64_t indicesAt = 0;
    std::uint64_t corners = 0;  // what the counts add up to
    std::int64_t countsLine = 0;
    std::int64_t indicesLine = 0;
    bool countsRead = false;
    bool indicesRead = false;
    bool negative = false;  // a negative count
    MeshHead head;
    bool pointsRead = false;         // a default value
    bool pointsFromSample = false;   // the first time sample, for want of a default
    bool leftHanded = false;
    TexturePrimvar st;     // primvars:st
    TexturePrimvar other;  // the first other texCoord2f[] primvar
};

bool isOpener(const UsdToken& token) {
    return token.isPunct('(') || token.isPunct('[') || token.isPunct('{');
}

// The first float array of the prim (its points, or texture coordinates), read on a
// lent thread through a second opening of the layer while the reader goes on past it. It
// counts when it read whole and closed where the reader found its first ']'; otherwise
// (a comment or damage in it) the prim is read again on one thread.
struct ArrayBeside {
    const SecondThread* thread = nullptr;
    ByteSource source;
    std::uint64_t from = 0;         // the layer's offset just past the array's '['
    std::uint64_t expectedEnd = 0;  // just past its first ']'
    std::size_t width = 0;
    std::vector<float>* values = nullptr;  // the reader's, untouched by it until the join
    bool* read = nullptr;                  // set once the array counts
    // What the lent thread found.
    ArrayRead got = ArrayRead::Broken;
    std::uint64_t end = 0;
    std::exception_ptr thrown;  // thrown again on the reader's thread
    LentWork work;              // last: joined before the rest goes
};

void readArrayBeside(void* context) {
    auto* beside = static_cast<ArrayBeside*>(context);
    try {
        LineReader lines;
        if (!lines.open(beside->source, beside->from)) return;
        UsdByteReader bytes;
        bytes.openBlocks(lines);
        UsdLexer lexer(bytes);
        beside->got = readFloatTuples(lexer, beside->width, *beside->values);
        beside->end = beside->from + bytes.offset();
        if (bytes.failed() || lexer.problem() != SceneRefusal::None)
            beside->got = ArrayRead::Broken;
    } catch (...) {
        beside->thrown = std::current_exception();
    }
}

// Past the first ']' from the cursor on, where an array of numbers closes; false when the
// input ends first.
bool passFirstBracket(UsdByteReader& reader) {
    for (;;) {
        if (reader.cursor == reader.limit && !reader.ensure()) return false;
        const void* found =
            std::memchr(reader.cursor, ']', static_cast<std::size_t>(reader.limit - reader.cursor));
        if (found != nullptr) {
            reader.cursor = static_cast<const char*>(found) + 1;
            return true;
        }
        reader.cursor = reader.limit;
    }
}

// Array types of two floats each, as primvars:st may be declared.
bool isTwoFloatArray(const std::string& type) {
    return type == "texCoord2f[]" || type == "texCoord2d[]" || type == "texCoord2h[]" ||
           type == "float2[]" || type == "double2[]" || type == "half2[]";
}

class PrimReader {
public:
    // With a lent `thread`, the prim's first float array is read beside, from `layer`.
    PrimReader(UsdLexer& lexer, const SceneNode& node, MeshArrays& mesh, ByteSource& layer,
               const SecondThread* thread)
        : lexer_(lexer), node_(node), mesh_(mesh), layer_(layer) {
        beside_.thread = thread;
    }

    // Reads the prim from its specifier to its closing brace; false when the layer does
    // not hold it there (a problem in the lexer, or the layer changed since its scan).
    bool read();
    bool changed() const { return changed_; }
    // The array read beside did not count: the prim is to be read again on one thread.
    bool readAgain() const { return readAgain_; }
    // With a lent thread and the points' place known from the scan, their reading beside
    // starts at once, while the reader goes through what comes before them.
    void startPointsBeside();
    // Waits for the array read beside, if any, and takes it when it counts.
    void joinBeside();
    // The layer holds no such prim where the scan saw it: it changed since.
    bool notThere() {
        changed_ = true;
        return false;
    }
    // The layer's line of a line counted from the prim's.
    std::int64_t layerLine(std::int64_t line) const { return node_.line + line - 1; }

private:
    void skipChildPrim();
    void skipVariantSet();
    void statement(const UsdToken& first);
    void readValue(const std::string& type, const std::string& property, bool timeSamples,
                   std::int64_t line);
    void readTexture(TexturePrimvar& primvar, const std::string& name, std::int64_t line);
    // Reads the float array whose '[' was just read into `values`, or hands it to the lent
    // thread; `read` tells whether it read whole.
    void readFloats(std::size_t width, std::vector<float>& values, bool& read);
    // Starts the lent thread reading the float array from `from` (just past its '[') into
    // `values`, unless it has had one already or cannot be had; true when it started.
    bool startBeside(std::uint64_t from, std::size_t width, std::vector<float>& values, bool& read);
    // Past the array the lent thread reads, noting where the reader found it to close.
    void passBeside();
    // Before a statement touches `values`: what the lent thread reads there is taken first.
    void waitFor(const std::vector<float>& values) {
        if (beside_.work.running() && beside_.values == &values) joinBeside();
    }
    void readMetadata(TexturePrimvar* primvar);
    void readUnsigned(std::vector<std::uint32_t>& into, bool& negative);
    void skipRest();

    UsdLexer& lexer_;
    const SceneNode& node_;
    MeshArrays& mesh_;
    ByteSource& layer_;
    ArrayBeside beside_;
    bool changed_ = false;
    bool readAgain_ = false;
};

void PrimReader::joinBeside() {
    if (!beside_.work.running()) return;
    beside_.work.join();
    if (beside_.thrown) std::rethrow_exception(beside_.thrown);
    if (beside_.got == ArrayRead::Done && beside_.end == beside_.expectedEnd)
        *beside_.read = true;
    else
        readAgain_ = true;
}

bool PrimReader::startBeside(std::uint64_t from, std::size_t width, std::vector<float>& values,
                             bool& read) {
    // One array a prim: the first that a second opening could be had for.
    if (beside_.thread == nullptr || beside_.values != nullptr || !beside_.source.openAgain(layer_))
        return false;
    beside_.from = from;
    beside_.width = width;
    beside_.values = &values;
    beside_.read = &read;
    if (beside_.work.start(beside_.thread, readArrayBeside, &beside_)) return true;
    beside_.values = nullptr;
    return false;
}

void PrimReader::passBeside() {
    UsdByteReader& bytes = lexer_.reader();
    if (passFirstBracket(bytes))
        beside_.expectedEnd = node_.start + bytes.offset();
    else
        readAgain_ = true;  // no ']' before the end: one thread tells what is wrong
}

void PrimReader::startPointsBeside() {
    if (beside_.thread == nullptr || node_.pointsAt <= node_.start) return;
    // Room for them before the lent thread fills it.
    reserveLarge(mesh_.head.points, static_cast<std::size_t>(node_.vertexCount) * 3);
    startBeside(node_.pointsAt, 3, mesh_.head.points, mesh_.pointsRead);
}

void PrimReader::readFloats(std::size_t width, std::vector<float>& values, bool& read) {
    read = false;
    if (startBeside(node_.start + lexer_.reader().offset(), width, values, read)) {
        passBeside();
        return;
    }
    read = readFloatTuples(lexer_, width, values) == ArrayRead::Done;
}

bool PrimReader::read() {
    const UsdToken* token = &lexer_.next();
    if (!token->isWord("def") && !token->isWord("over")) return notThere();
    token = &lexer_.next();
    if (token->kind == UsdTokenKind::Word) token = &lexer_.next();
    if (token->kind != UsdTokenKind::String || token->text != node_.name)
        return notThere();
    token = &lexer_.next();
    if (token->isPunct('(')) {
        if (!lexer_.skipGroup('(')) return false;
        token = &lexer_.next();
    }
    if (!token->isPunct('{')) return notThere();
    for (;;) {
        const UsdToken& next = lexer_.next();
        if (next.kind == UsdTokenKind::End) {
            lexer_.fail(SceneRefusal::UnterminatedBlock, 1);
            return false;
        }
        if (next.isPunct('}')) return lexer_.problem() == SceneRefusal::None;
        if (next.isPunct(';')) continue;
        if (next.isWord("def") || next.isWord("over") || next.isWord("class")) {
            skipChildPrim();
        } else if (next.isWord("variantSet")) {
            skipVariantSet();
        } else if (next.kind == UsdTokenKind::Word) {
            statement(next);
        } else {
            if (isOpener(next)) lexer_.skipGroup(next.punct);
            skipRest();
        }
    }
}

// A prim inside the mesh (a subset, say): passed over whole.
void PrimReader::skipChildPrim() {
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind == UsdTokenKind::End) return;
        if (token.isPunct('{')) {
            lexer_.skipGroup('{');
            return;
        }
        if (token.isPunct('(') || token.isPunct('[')) {
            if (!lexer_.skipGroup(token.punct)) return;
        } else if (token.isPunct('}')) {
            lexer_.pushBack();
            return;
        }
    }
}

// `variantSet "name" = { ... }` of the mesh prim itself: its properties belong to variants
// the mesh's path does not select, and are passed over, as the scanner passes them.
void PrimReader::skipVariantSet() {
    skipChildPrim();
}

void PrimReader::skipRest() {
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind == UsdTokenKind::End || token.firstOnLine || token.isPunct(';') ||
            token.isPunct('}')) {
            lexer_.pushBack();
            return;
        }
        if (isOpener(token) && !lexer_.skipGroup(token.punct)) return;
    }
}

// A property: its words up to the '=', then its value where it is one the mesh needs.
void PrimReader::statement(const UsdToken& first) {
    const std::int64_t line = first.line;
    std::string type;
    std::string name = first.text;
    bool relationship = first.text == "rel";
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind != UsdTokenKind::Word || token.firstOnLine) break;
        type = std::move(name);
        name = token.text;
        relationship = relationship || token.text == "rel";
    }
    lexer_.pushBack();
    const std::string::size_type dot = name.find('.');
    const std::string property = name.substr(0, dot);
    const std::string suffix = dot == std::string::npos ? "" : name.substr(dot);
    if (!relationship && (suffix.empty() || suffix == ".timeSamples")) {
        if (lexer_.next().isPunct('='))
            readValue(type, property, !suffix.empty(), line);
        else
            lexer_.pushBack();
    }
    skipRest();
}

// An int[] array that should hold no negative number; `negative` is set when it does,
// or when it holds something else.
void PrimReader::readUnsigned(std::vector<std::uint32_t>& into, bool& negative) {
    into.resize(0);
    const ArrayRead got = readIntegerArray(lexer_, [&](std::int32_t value) {
        negative = negative || value < 0;
        into.push_back(static_cast<std::uint32_t>(value));
    });
    if (got == ArrayRead::Malformed) negative = true;
}

void PrimReader::readValue(const std::string& type, const std::string& property,
                           bool timeSamples, std::int64_t line) {
    if (property == "orientation") {
        const UsdToken& value = lexer_.next();
        if (!timeSamples && value.kind == UsdTokenKind::String)
            mesh_.leftHanded = value.text == "leftHanded";
        else
            lexer_.pushBack();
        return;
    }
    const bool points = property == "points";
    const bool counts = property == "faceVertexCounts";
    const bool indices = property == "faceVertexIndices";
    const bool primvar = property.compare(0, 9, "primvars:") == 0;
    if (!points && !counts && !indices && !primvar) return;
    if (timeSamples) {
        // Only points are taken from their first time sample, and only without a default.
        if (points) waitFor(mesh_.head.points);
        if (!points || mesh_.pointsRead || mesh_.pointsFromSample) return;
        if (!lexer_.next().isPunct('{') || lexer_.next().kind != UsdTokenKind::Number ||
            !lexer_.next().isPunct(':') || !lexer_.next().isPunct('[')) {
            lexer_.pushBack();
            return;
        }
        mesh_.head.points.clear();
        const ArrayRead got = readFloatTuples(lexer_, 3, mesh_.head.points);
        mesh_.pointsFromSample = got == ArrayRead::Done;
        if (lexer_.problem() == SceneRefusal::None) lexer_.skipGroup('{');
        return;
    }
    const UsdToken& open = lexer_.next();
    if (!open.isPunct('[')) {
        lexer_.pushBack();
        return;
    }
    if (points && beside_.values == &mesh_.head.points && beside_.expectedEnd == 0 &&
        beside_.work.running() && node_.start + lexer_.reader().offset() == beside_.from) {
        // The points the lent thread has been reading since the prim's start: passed over
        // here, to count once it read them whole and closed where they close.
        passBeside();
        mesh_.pointsFromSample = false;
    } else if (points) {
        waitFor(mesh_.head.points);
        mesh_.head.points.clear();
        reserveLarge(mesh_.head.points, static_cast<std::size_t>(node_.vertexCount) * 3);
        readFloats(3, mesh_.head.points, mesh_.pointsRead);
        mesh_.pointsFromSample = false;
    } else if (counts) {
        // A closed mesh of quads has about as many faces as points: room for that many
        // counts up front, so that the array seldom moves as it grows.
        reserveLarge(mesh_.counts, static_cast<std::size_t>(node_.vertexCount));
        readUnsigned(mesh_.counts, mesh_.negative);
        mesh_.countsRead = true;
        mesh_.countsLine = line;
    } else if (indices) {
        // The scan that chose the prim found its indices whole, as many as the counts add
        // up to and each one of the points: here they are only passed over, to be read
        // as faces once the points are at hand, and checked again then.
        mesh_.indicesAt = node_.start + lexer_.reader().offset();
        mesh_.indicesRead = lexer_.skipGroup('[');
        mesh_.indicesLine = line;
    } else {
        const std::string name = property.substr(9);
        const std::string::size_type colon = name.rfind(':');
        if (colon != std::string::npos && name.compare(colon, std::string::npos, ":indices") == 0) {
            const std::string of = name.substr(0, colon);
            TexturePrimvar* slot = of == "st" ? &mesh_.st
                                   : mesh_.other.name.empty() || mesh_.other.name == of
                                       ? &mesh_.other
                                       : nullptr;
            if (slot == nullptr || (slot == &mesh_.other && !mesh_.other.indicesName.empty())) {
                lexer_.skipGroup('[');
                return;
            }
            // A negative index is beyond the values as an unsigned one: the fit refuses it.
            bool negative = false;
            readUnsigned(slot->indices, negative);
            slot->indicesName = of;
            slot->indexed = true;
        } else if (name == "st" && isTwoFloatArray(type)) {
            readTexture(mesh_.st, name, line);
        } else if (type == "texCoord2f[]" && mesh_.other.name.empty()) {
            readTexture(mesh_.other, name, line);
        } else {
            lexer_.skipGroup('[');
        }
    }
}

void PrimReader::readTexture(TexturePrimvar& primvar, const std::string& name,
                             std::int64_t line) {
    waitFor(primvar.values);
    primvar.name = name;
    primvar.line = line;
    primvar.values.clear();
    // As many as the points where it is given per vertex, the usual texture primvar.
    reserveLarge(primvar.values, static_cast<std::size_t>(node_.vertexCount) * 2);
    readFloats(2, primvar.values, primvar.read);
    readMetadata(&primvar);
}

// `( interpolation = "faceVarying" ... )` after a primvar's value.
void PrimReader::readMetadata(TexturePrimvar* primvar) {
    if (!lexer_.next().isPunct('(')) {
        lexer_.pushBack();
        return;
    }
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind == UsdTokenKind::End || token.isPunct(')')) return;
        if (token.isWord("interpolation")) {
            if (!lexer_.next().isPunct('=')) {
                lexer_.pushBack();
                continue;
            }
            const UsdToken& value = lexer_.next();
            if (value.kind == UsdTokenKind::String)
                primvar->interpolation = value.text;
            else
                lexer_.pushBack();
        } else if (isOpener(token) && !lexer_.skipGroup(token.punct)) {
            return;
        }
    }
}

MeshReadResult refusedMesh(NodeProblem problem, std::int64_t line) {
    MeshReadResult result;
    result.problem = SceneRefusal::NodeHoldsNoMesh;
    result.nodeProblem = problem;
    result.line = line;
    return result;
}

// The texture coordinate of each corner, by the primvar's interpolation: per vertex, or
// per face corner; through its indices where it has them. Null when the mesh has none.
struct CornerUvs {
    TexturePrimvar* primvar = nullptr;
    bool perVertex = false;

    std::uint32_t of(std::uint32_t vertex, std::size_t corner) const {
        const std::size_t at = perVertex ? vertex : corner;
        return primvar->indexed ? primvar->indices[at] : static_cast<std::uint32_t>(at);
    }
};

// Which primvar gives the texture coordinates, checked against the faces; a refusal when
// it does not fit them.
MeshReadResult chooseUvs(MeshArrays& mesh, std::size_t points, CornerUvs& uvs,
                         const PrimReader& reader) {
    MeshReadResult result;
    TexturePrimvar* primvar = mesh.st.read ? &mesh.st
                                    : mesh.other.read && (!mesh.other.indexed ||
                                                          mesh.other.indicesName == mesh.other.name)
                                        ? &mesh.other
                                        : nullptr;
    if (primvar == nullptr) return result;
    const bool perVertex = primvar->interpolation == "vertex";
    if (!perVertex && primvar->interpolation != "faceVarying") {
        result.warnings.push_back(MeshWarning::UvsNotPerCorner);
        return result;
    }
    const std::size_t needed = perVertex ? points : static_cast<std::size_t>(mesh.corners);
    const std::size_t values = primvar->values.size() / 2;
    bool fits = primvar->indexed ? primvar->indices.size() >= needed : values >= needed;
    if (primvar->indexed) {
        for (const std::uint32_t index : primvar->indices) fits = fits && index < values;
    }
    if (!fits) return refusedMesh(NodeProblem::UvsMismatch, reader.layerLine(primvar->line));
    uvs.primvar = primvar;
    uvs.perVertex = perVertex;
    return result;
}

// Hands the faces to the sink as their corners stream past, a run of whole faces at a
// time, each face's corners (and texture corners) reversed for a leftHanded mesh. A corner
// beyond the points or the faces the counts give ends the stream incomplete; the whole
// faces before it are handed over all the same, as one at a time would have handed them.
class FaceStream {
public:
    FaceStream(const MeshArrays& mesh, std::size_t points, const CornerUvs& uvs, MeshSink& sink)
        : counts_(mesh.counts),
          points_(points),
          leftHanded_(mesh.leftHanded),
          uvs_(uvs),
          sink_(sink) {
        const std::uint32_t largest =
            counts_.empty() ? 0 : *std::max_element(counts_.begin(), counts_.end());
        const std::size_t room = std::max<std::size_t>(kRunCorners, largest);
        vertices_.resize(room);
        // Texture coordinates given per vertex and not indexed are the vertex numbers.
        if (uvs_.primvar != nullptr && !(uvs_.perVertex && !uvs_.primvar->indexed))
            faceUvs_.resize(room);
        plan();
        if (runCorners_ == 0) handRuns();
    }

    void corner(std::int32_t index) {
        if (stopped_ || beyond_) return;
        const auto vertex = static_cast<std::uint32_t>(index);
        if (filled_ == runCorners_ || vertex >= points_) {
            beyond_ = true;
            return;
        }
        vertices_[filled_++] = vertex;
        if (filled_ == runCorners_) handRuns();
    }
    // Once the array is read: the whole faces of the run gathered so far go over.
    void finish() {
        if (stopped_ || face_ == counts_.size()) return;
        std::size_t whole = 0;
        std::size_t corners = 0;
        while (whole < runFaces_ && corners + counts_[face_ + whole] <= filled_)
            corners += counts_[face_ + whole++];
        hand(whole, corners);
    }
    bool stopped() const { return stopped_; }
    bool complete() const { return !beyond_ && face_ == counts_.size(); }
    std::int64_t faces() const { return static_cast<std::int64_t>(face_); }

private:
    // Texture coordinates and orientation given to a run's corners, then the run handed.
    void hand(std::size_t faceCount, std::size_t corners) {
        if (faceCount == 0) return;
        const bool ownUvs = !faceUvs_.empty();
        if (ownUvs) {
            for (std::size_t at = 0; at < corners; ++at)
                faceUvs_[at] = uvs_.of(vertices_[at], cornersHanded_ + at);
        }
        if (leftHanded_) {
            std::size_t first = 0;
            for (std::size_t f = 0; f < faceCount; ++f) {
                const auto begin = static_cast<std::ptrdiff_t>(first);
                const auto end = static_cast<std::ptrdiff_t>(first + counts_[face_ + f]);
                std::reverse(vertices_.begin() + begin, vertices_.begin() + end);
                if (ownUvs) std::reverse(faceUvs_.begin() + begin, faceUvs_.begin() + end);
                first += counts_[face_ + f];
            }
        }
        const std::uint32_t* uvs = ownUvs                    ? faceUvs_.data()
                                   : uvs_.primvar != nullptr ? vertices_.data()
                                                             : nullptr;
        const std::size_t taken =
            sink_.faces(counts_.data() + face_, faceCount, vertices_.data(), uvs);
        face_ += taken;
        cornersHanded_ += corners;
        stopped_ = taken < faceCount;
    }
    // Hands the run gathered, and those after it that take no corners, planning the next.
    void handRuns() {
        do {
            hand(runFaces_, runCorners_);
            if (stopped_) return;
            filled_ = 0;
            plan();
        } while (runCorners_ == 0 && runFaces_ != 0);
    }
    // The next run: the faces from face_ whose corners fit the room (one face at least).
    void plan() {
        runFaces_ = 0;
        runCorners_ = 0;
        while (face_ + runFaces_ < counts_.size()) {
            const std::uint32_t count = counts_[face_ + runFaces_];
            if (runFaces_ != 0 && runCorners_ + count > vertices_.size()) break;
            runCorners_ += count;
            ++runFaces_;
        }
    }

    // About a quarter of a megabyte of numbers a run.
    static constexpr std::size_t kRunCorners = std::size_t{1} << 16;

    const std::vector<std::uint32_t>& counts_;
    std::size_t points_;
    bool leftHanded_;
    const CornerUvs& uvs_;
    MeshSink& sink_;
    std::vector<std::uint32_t> vertices_;  // the run's corners as they come
    std::vector<std::uint32_t> faceUvs_;   // their texture coordinates, where not the vertices
    std::size_t face_ = 0;                 // the run's first face
    std::size_t runFaces_ = 0;
    std::size_t runCorners_ = 0;  // what the run's faces take
    std::size_t filled_ = 0;      // corners gathered so far
    std::size_t cornersHanded_ = 0;
    bool stopped_ = false;
    bool beyond_ = false;  // a corner beyond the points or the faces came
};

// The arrays checked against each other, then the faces read from their indices and
// handed to the sink one by one.
MeshReadResult handOver(ByteSource& layer, MeshArrays& mesh, const PrimReader& reader,
                        const SceneNode& node, MeshSink& sink) {
    if (!mesh.countsRead || !mesh.indicesRead) return refusedMesh(NodeProblem::NoFaces, node.line);
    bool negative = mesh.negative;
    for (const std::uint32_t count : mesh.counts) {
        negative = negative || count > INT32_MAX;
        mesh.corners += count;
    }
    if (negative)
        return refusedMesh(NodeProblem::FaceCountsMismatch, reader.layerLine(mesh.indicesLine));
    const std::size_t points = mesh.head.points.size() / 3;
    if (points == 0) return refusedMesh(NodeProblem::None, node.line);
    CornerUvs uvs;
    MeshReadResult result = chooseUvs(mesh, points, uvs, reader);
    if (result.problem != SceneRefusal::None) return result;
    if (mesh.pointsFromSample) result.warnings.push_back(MeshWarning::PointsFromTimeSample);
    if (uvs.primvar != nullptr && !uvs.primvar->values.empty()) {
        mesh.head.uvs = std::move(uvs.primvar->values);
        mesh.head.uvSet = uvs.primvar->name;
    } else {
        // A primvar of no values serves only faces of no corners: with no texture
        // coordinates handed over, the faces get no texture corners either.
        uvs.primvar = nullptr;
    }
    if (!sink.begin(mesh.head)) {
        result.stopped = true;
        return result;
    }
    std::vector<float>().swap(mesh.head.points);  // the sink has taken them
    LineReader lines;
    if (!lines.open(layer, mesh.indicesAt)) {
        result.problem = SceneRefusal::Unreadable;
        return result;
    }
    UsdByteReader bytes;
    bytes.openBlocks(lines);
    UsdLexer lexer(bytes);
    FaceStream stream(mesh, points, uvs, sink);
    const ArrayRead read =
        readIntegerArray(lexer, [&stream](std::int32_t vertex) { stream.corner(vertex); });
    stream.finish();
    result.faces = stream.faces();
    if (stream.stopped()) {
        result.stopped = true;
    } else if (bytes.failed()) {
        result.problem = SceneRefusal::Unreadable;
    } else if (read != ArrayRead::Done || !stream.complete()) {
        // Not the indices the scan found: more or fewer than the counts add up to, or one
        // beyond the points.
        result.problem = SceneRefusal::SceneChanged;
    }
    return result;
}

// One read of the prim, its first float array beside on `thread` when one is lent;
// `again` when that array did not count and the prim is to be read again without.
MeshReadResult readPrim(ByteSource& layer, const SceneNode& node, MeshSink& sink,
                        const SecondThread* thread, bool& again) {
    again = false;
    LineReader lines;
    if (!lines.open(layer, node.start)) {
        MeshReadResult result;
        result.problem = SceneRefusal::Unreadable;
        return result;
    }
    UsdByteReader reader;
    reader.openBlocks(lines);
    UsdLexer lexer(reader);
    MeshArrays mesh;
    PrimReader prim(lexer, node, mesh, layer, thread);
    prim.startPointsBeside();
    const bool read = prim.read();
    prim.joinBeside();
    MeshReadResult result;
    if (prim.readAgain()) {
        again = true;
    } else if (reader.failed()) {
        result.problem = SceneRefusal::Unreadable;
    } else if (prim.changed()) {
        result.problem = SceneRefusal::SceneChanged;
    } else if (!read) {
        result.problem = lexer.problem() != SceneRefusal::None ? lexer.problem()
                                                               : SceneRefusal::UnterminatedBlock;
        result.line = prim.layerLine(lexer.problem() != SceneRefusal::None ? lexer.problemLine()
                                                                           : 1);
    } else {
        result = handOver(layer, mesh, prim, node, sink);
    }
    return result;
}

}  // namespace

MeshReadResult readUsdMesh(ByteSource& layer, const SceneNode& node, MeshSink& sink) {
    bool again = false;
    MeshReadResult result = readPrim(layer, node, sink, sink.readerThread(), again);
    if (again) result = readPrim(layer, node, sink, nullptr, again);
    return result;
}

}  // namespace tessaryn
