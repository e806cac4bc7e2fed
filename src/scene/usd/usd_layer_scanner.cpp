#include "scene/usd/usd_layer_scanner.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "scene/usd/usd_arrays.h"
#include "scene/usd/usd_byte_reader.h"
#include "scene/usd/usd_lexer.h"
#include "scene/usd/usd_mesh_scan.h"
#include "scene/usd/usd_name_order.h"
#include "scene/usd/usd_override_layer.h"

namespace tessaryn {

namespace {

// The layer metadata a stage takes from its root layer only: an override layer that
// makes itself the root must carry them, or the stage would change.
constexpr const char* kRootMetadata[] = {"defaultPrim",        "upAxis",          "metersPerUnit",
                                         "timeCodesPerSecond", "framesPerSecond", "startTimeCode",
                                         "endTimeCode"};

bool isRootMetadata(const std::string& key) {
    return std::any_of(std::begin(kRootMetadata), std::end(kRootMetadata),
                       [&](const char* name) { return key == name; });
}

bool isOpener(const UsdToken& token) {
    return token.isPunct('(') || token.isPunct('[') || token.isPunct('{');
}

// Passes the header line, which the format table has told apart already. The layer's
// line ending is the header's.
void readHeader(UsdByteReader& reader, std::string& lineEnding) {
    char before = 0;
    while (reader.ensure()) {
        const char c = *reader.cursor++;
        if (c == '\n') {
            lineEnding = before == '\r' ? "\r\n" : "\n";
            break;
        }
        before = c;
    }
}

enum class FrameKind { Root, Prim, VariantSet, Variant };

struct Frame {
    FrameKind kind = FrameKind::Root;
    std::string path;  // the prim's; a variant's ends with its selection "{set=variant}"
    std::int64_t line = 0;
    std::string indent;              // of the line that opens it
    std::string setName;             // of a variant set
    std::unique_ptr<MeshScan> mesh;  // a Mesh prim's, or the tracked prim's
    bool onChain = false;            // a block on the way to the outline's tracked prim
    std::string key;                 // its key there
    // The first name on the way here, as the file gave it, that an override layer cannot
    // carry; a prim's empty name stands as the path it leaves.
    std::string unfitName;
};

// A frame's unfit name: its parent's, else its own name where that is unfit. Names are
// checked as the file gave them: one holding '/' or braces reads as other steps in the
// path's text. An empty prim name stands as `path`; an empty set or variant name (no
// `path`) shows in that text, where it is found.
std::string unfitNameOf(const Frame& parent, const std::string& name, bool variant,
                        const std::string& path = std::string()) {
    if (!parent.unfitName.empty()) return parent.unfitName;
    if (isFitName(name, variant)) return std::string();
    return name.empty() ? path : name;
}

// What a statement's head says: its words up to the '=' (or whatever ends them).
struct StatementHead {
    std::uint64_t start = 0;  // its line's start, or its first byte when it shares the line
    std::int64_t line = 0;
    bool firstOnLine = false;
    std::string indent;
    std::string first;  // the first word
    std::string name;   // the last word: the property's name with any ".timeSamples"
    bool relationship = false;
};

class LayerScanner {
public:
    LayerScanner(UsdByteReader& reader, const CreaseEdgesAhead& creaseEdges, SceneFacts& facts,
                 ScanWatcher* watcher, LayerOutline* outline, bool readsFaces)
        : reader_(reader),
          lexer_(reader),
          ahead_(creaseEdges),
          facts_(facts),
          watcher_(watcher),
          outline_(outline),
          readsFaces_(readsFaces) {}

    void run(const std::string& lineEnding);
    const UsdLexer& lexer() const { return lexer_; }

private:
    void readLayerMetadata(std::int64_t line);
    void openPrim(const UsdToken& specifier);
    void openVariantSet(const UsdToken& keyword);
    void variantSetEntry(const UsdToken& token);
    void closeFrame();
    void noteIndent(const UsdToken& token);
    void readSublayers();
    bool onChain(Frame& frame, const std::string& key) const;
    void noteClose(const Frame& frame, const UsdToken& brace);
    std::string openingIndent(const UsdToken& token) const;
    std::string indentUnit() const;
    void statement(const UsdToken& first);
    void readMeshValue(MeshScan& mesh, const StatementHead& head, const std::string& property,
                       bool timeSamples);
    void readIntegers(MeshScan& mesh, const std::string& property, std::int64_t line);
    std::uint64_t skipRest();
    void tellPlaced(const MeshScan& mesh, std::uint64_t insertAt);
    void tellPending();

    UsdByteReader& reader_;
    UsdLexer lexer_;
    // The crease-edge set may still be collected on another thread: face indices are held
    // and a placement told later until it is ready; a mesh's end waits for it.
    const CreaseEdgesAhead& ahead_;
    SceneNode pendingPlacement_;  // told once the set is ready; its creases not yet found
    CreaseArrays pendingCreases_;
    bool placementPending_ = false;
    SceneFacts& facts_;
    ScanWatcher* watcher_;
    LayerOutline* outline_;  // null: no outline asked for
    // False: a mesh's face arrays are passed over unread, for a road that reads the
    // chosen prim's faces itself.
    bool readsFaces_;
    std::string lineEnding_;
    std::vector<Frame> frames_;
};

void LayerScanner::run(const std::string& lineEnding) {
    lineEnding_ = lineEnding;
    frames_.emplace_back();
    const UsdToken& start = lexer_.next();
    if (start.isPunct('('))
        readLayerMetadata(start.line);
    else
        lexer_.pushBack();
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind == UsdTokenKind::End) break;
        noteIndent(token);
        const FrameKind kind = frames_.back().kind;
        if (kind == FrameKind::VariantSet) {
            variantSetEntry(token);
        } else if (token.isPunct('}')) {
            if (kind == FrameKind::Root) continue;
            noteClose(frames_.back(), token);
            closeFrame();
        } else if (token.isPunct(';')) {
            continue;
        } else if (token.isWord("def") || token.isWord("over") || token.isWord("class")) {
            openPrim(token);
        } else if (token.isWord("variantSet") && kind != FrameKind::Root) {
            openVariantSet(token);
        } else {
            statement(token);
        }
    }
    if (frames_.size() > 1) lexer_.fail(SceneRefusal::UnterminatedBlock, frames_.back().line);
}

// `( key = value ... )` after the header; the values of the keys an override layer
// copies are kept as written.
void LayerScanner::readLayerMetadata(std::int64_t line) {
    std::string key;
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind == UsdTokenKind::End) {
            lexer_.fail(SceneRefusal::UnterminatedBlock, line);
            return;
        }
        if (token.isPunct(')')) return;
        noteIndent(token);
        if (token.kind == UsdTokenKind::Word) {
            key = token.text;
        } else if (token.isPunct('=')) {
            const UsdToken& value = lexer_.next();
            if (outline_ != nullptr && key == "subLayers" && value.isPunct('[')) {
                readSublayers();
            } else if (isOpener(value)) {
                lexer_.skipGroup(value.punct);
            } else if (isRootMetadata(key) &&
                       (value.kind == UsdTokenKind::String || value.kind == UsdTokenKind::Number)) {
                facts_.rootMetadata.push_back({key, value.quote + value.text + value.quote});
            } else if (value.isPunct(')')) {
                return;
            }
            key.clear();
        } else if (isOpener(token)) {
            lexer_.skipGroup(token.punct);
        }
    }
}

// The outline's indentation unit: the first indentation of a line the scan meets.
void LayerScanner::noteIndent(const UsdToken& token) {
    if (outline_ != nullptr && outline_->indentUnit.empty() && token.firstOnLine)
        outline_->indentUnit = token.indent;
}

// `[@a.usda@, @b.usda@ (offset = 1)]`: the asset paths, for the outline.
void LayerScanner::readSublayers() {
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind == UsdTokenKind::End || token.isPunct(']')) return;
        if (token.kind == UsdTokenKind::Asset) {
            outline_->sublayers.push_back(token.text);
        } else if (isOpener(token) && !lexer_.skipGroup(token.punct)) {
            return;
        }
    }
}

// Whether `frame`, whose key is `key`, is a block on the way to the tracked prim; marks
// it so.
bool LayerScanner::onChain(Frame& frame, const std::string& key) const {
    if (outline_ == nullptr) return false;
    const std::vector<std::string>& chain = outline_->chain;
    frame.onChain = std::find(chain.begin(), chain.end(), key) != chain.end();
    if (frame.onChain) frame.key = key;
    return frame.onChain;
}

// A block on the way to the tracked prim closes at `brace`: the first of its key is kept.
void LayerScanner::noteClose(const Frame& frame, const UsdToken& brace) {
    if (!frame.onChain) return;
    std::vector<OutlineBlock>& blocks = outline_->blocks;
    for (const OutlineBlock& block : blocks)
        if (block.key == frame.key) return;
    blocks.push_back({frame.key, frame.indent, brace.firstOnLine ? brace.lineStart : brace.offset,
                      brace.firstOnLine});
}

// The indentation of the line that opens a block at `token`. For an outline: its own, or
// one unit in from its parent's when the block opens on the line of something else.
std::string LayerScanner::openingIndent(const UsdToken& token) const {
    if (outline_ == nullptr || token.firstOnLine) return token.indent;
    return frames_.back().indent + indentUnit();
}

std::string LayerScanner::indentUnit() const {
    return outline_->indentUnit.empty() ? "    " : outline_->indentUnit;
}

void LayerScanner::openPrim(const UsdToken& specifier) {
    const std::int64_t line = specifier.line;
    const std::uint64_t start = specifier.firstOnLine ? specifier.lineStart : specifier.offset;
    const std::uint64_t specifierAt = specifier.offset;
    const bool isClass = specifier.text == "class";
    const std::string indent = openingIndent(specifier);
    const UsdToken* token = &lexer_.next();
    std::string typeName;
    if (token->kind == UsdTokenKind::Word) {
        typeName = token->text;
        token = &lexer_.next();
    }
    if (token->kind != UsdTokenKind::String) {
        // Not a prim after all: passed over like any statement it does not know.
        lexer_.pushBack();
        skipRest();
        return;
    }
    const std::string name = token->text;
    token = &lexer_.next();
    if (token->isPunct('(')) {
        if (!lexer_.skipGroup('(')) return;
        token = &lexer_.next();
    }
    if (!token->isPunct('{')) {
        lexer_.fail(SceneRefusal::UnterminatedBlock, line);  // a prim without its body
        return;
    }
    const Frame& parent = frames_.back();
    Frame frame;
    frame.kind = FrameKind::Prim;
    frame.path = parent.kind == FrameKind::Root      ? "/" + name
                 : parent.kind == FrameKind::Variant ? parent.path + name
                                                     : parent.path + "/" + name;
    frame.line = line;
    frame.indent = indent;
    frame.unfitName = unfitNameOf(parent, name, false, frame.path);
    const bool tracked = onChain(frame, frame.path) && frame.path == outline_->chain.back();
    if ((typeName == "Mesh" && !isClass) || tracked) {
        frame.mesh = std::make_unique<MeshScan>();
        SceneNode& node = frame.mesh->node;
        node.path = frame.path;
        node.name = name;
        node.line = line;
        node.start = specifierAt;
        node.unfitName = frame.unfitName;
        node.lineEnding = lineEnding_;
        node.indent = indent + "    ";
        // Until a property is seen, new statements would go right after the '{' line.
        const UsdToken& after = lexer_.next();
        frame.mesh->lastPropertyEnd = after.firstOnLine ? after.previousLineEnd : after.offset;
        lexer_.pushBack();
        if (watcher_ != nullptr) watcher_->nodeOpened(node.path, node.name, start);
    }
    frames_.push_back(std::move(frame));
}

void LayerScanner::openVariantSet(const UsdToken& keyword) {
    const std::int64_t line = keyword.line;
    const std::string indent = openingIndent(keyword);
    const UsdToken& name = lexer_.next();
    if (name.kind != UsdTokenKind::String) {
        lexer_.pushBack();
        skipRest();
        return;
    }
    const std::string setName = name.text;
    if (!lexer_.next().isPunct('=') || !lexer_.next().isPunct('{')) {
        lexer_.pushBack();
        skipRest();
        return;
    }
    Frame frame;
    frame.kind = FrameKind::VariantSet;
    frame.path = frames_.back().path;
    frame.line = line;
    frame.indent = indent;
    frame.setName = setName;
    frame.unfitName = unfitNameOf(frames_.back(), setName, false);
    onChain(frame, frame.path + "{" + setName + "=");
    frames_.push_back(std::move(frame));
}

// Inside `variantSet "set" = { ... }`: `"variant" (metadata) { body }` entries.
void LayerScanner::variantSetEntry(const UsdToken& token) {
    if (token.isPunct('}')) {
        noteClose(frames_.back(), token);
        frames_.pop_back();
        return;
    }
    if (isOpener(token)) {
        lexer_.skipGroup(token.punct);
        return;
    }
    if (token.kind != UsdTokenKind::String) return;
    const std::int64_t line = token.line;
    const std::string indent = openingIndent(token);
    const std::string variant = token.text;
    const UsdToken* next = &lexer_.next();
    if (next->isPunct('(')) {
        if (!lexer_.skipGroup('(')) return;
        next = &lexer_.next();
    }
    if (!next->isPunct('{')) {
        lexer_.pushBack();
        return;
    }
    const Frame& set = frames_.back();
    Frame frame;
    frame.kind = FrameKind::Variant;
    frame.path = set.path + "{" + set.setName + "=" + variant + "}";
    frame.unfitName = unfitNameOf(set, variant, true);
    frame.line = line;
    frame.indent = indent;
    onChain(frame, frame.path);
    frames_.push_back(std::move(frame));
}

void LayerScanner::closeFrame() {
    Frame& frame = frames_.back();
    if (frame.mesh) {
        if (watcher_ != nullptr && !frame.mesh->insertChosen)
            tellPlaced(*frame.mesh, frame.mesh->lastPropertyEnd);
        const CreaseEdgeSet& creaseEdges = ahead_.await();
        tellPending();
        finishMesh(*frame.mesh, creaseEdges);
        // A tracked prim without properties: its statements one unit in from it.
        if (frame.onChain && !frame.mesh->sawProperty) {
            frame.mesh->node.indent = frame.indent + indentUnit();
        }
        facts_.nodes.push_back(std::move(frame.mesh->node));
    }
    frames_.pop_back();
}

// Passes the rest of a statement: everything up to the first token on a later line, a
// ';' or the '}' that closes the body, which is left for the caller. Gives where the
// statement's last line ends (past its line break), or where the next token starts
// when that shares the line.
std::uint64_t LayerScanner::skipRest() {
    for (;;) {
        const UsdToken& token = lexer_.next();
        if (token.kind == UsdTokenKind::End || token.firstOnLine || token.isPunct(';') ||
            token.isPunct('}')) {
            lexer_.pushBack();
            return token.firstOnLine ? token.previousLineEnd : token.offset;
        }
        if (isOpener(token) && !lexer_.skipGroup(token.punct)) return reader_.offset();
    }
}

void LayerScanner::statement(const UsdToken& first) {
    StatementHead head;
    head.start = first.firstOnLine ? first.lineStart : first.offset;
    head.line = first.line;
    head.firstOnLine = first.firstOnLine;
    head.indent = first.indent;
    MeshScan* const mesh = frames_.back().mesh.get();
    if (first.kind != UsdTokenKind::Word || mesh == nullptr) {
        if (isOpener(first)) lexer_.skipGroup(first.punct);
        skipRest();
        return;
    }
    head.first = first.text;
    for (const UsdToken* token = &first;;) {
        head.relationship = head.relationship || token->text == "rel";
        head.name = token->text;
        token = &lexer_.next();
        if (token->kind != UsdTokenKind::Word || token->firstOnLine) break;
    }
    lexer_.pushBack();
    const std::string::size_type dot = head.name.find('.');
    const std::string property = head.name.substr(0, dot);
    const std::string suffix = dot == std::string::npos ? "" : head.name.substr(dot);
    const bool reorder =
        head.first == "reorder" && (property == "properties" || property == "nameChildren");

    const bool creaseStatement =
        !head.relationship && (property == "creaseIndices" || property == "creaseLengths" ||
                               property == "creaseSharpnesses");
    if (!head.relationship && (suffix.empty() || suffix == ".timeSamples")) {
        if (lexer_.next().isPunct('='))
            readMeshValue(*mesh, head, property, !suffix.empty());
        else
            lexer_.pushBack();
    }
    const std::uint64_t end = skipRest();
    if (lexer_.problem() != SceneRefusal::None || reorder) return;

    SceneNode& node = mesh->node;
    if (creaseStatement) node.creaseStatements.push_back(ByteRange{head.start, end});
    if (!mesh->sawProperty) {
        mesh->sawProperty = true;
        if (head.firstOnLine) node.indent = head.indent;
    }
    // New statements after this one must start on a line of their own: after its line
    // break, or after a ';' that ends it. A '}' right behind it on its line leaves no such
    // place, so they go before it instead.
    const UsdToken& after = lexer_.next();
    lexer_.pushBack();
    mesh->lastPropertyEnd = after.firstOnLine || after.kind == UsdTokenKind::End ? end
                            : after.isPunct(';')                                 ? end + 1
                                                                                 : head.start;
    if (!mesh->insertChosen && dictionaryLess("creaseSharpnesses", property)) {
        mesh->insertChosen = true;
        node.insertAt = head.start;
        if (watcher_ != nullptr) tellPlaced(*mesh, node.insertAt);
    }
}

// Tells the watcher where the mesh's crease statements go, with the creases it carries:
// in USD's own order every crease statement comes before the place chosen.
void LayerScanner::tellPlaced(const MeshScan& mesh, std::uint64_t insertAt) {
    SceneNode placed;
    placed.path = mesh.node.path;
    placed.name = mesh.node.name;
    placed.creaseStatements = mesh.node.creaseStatements;
    placed.insertAt = insertAt;
    placed.indent = mesh.node.indent;
    placed.lineEnding = mesh.node.lineEnding;
    // A mesh nested in one still waiting is never the copy's guess: the outer one is.
    if (placementPending_) return;
    pendingPlacement_ = std::move(placed);
    pendingCreases_ = mesh.creases;
    placementPending_ = true;
    if (ahead_.ready()) tellPending();
}

// The placement waiting for the crease-edge set, now that it is complete.
void LayerScanner::tellPending() {
    if (!placementPending_) return;
    placementPending_ = false;
    pendingPlacement_.creases = expandCreases(pendingCreases_, ahead_.await());
    watcher_->nodePlaced(pendingPlacement_);
}

void LayerScanner::readIntegers(MeshScan& mesh, const std::string& property, std::int64_t line) {
    const bool topology = property == "faceVertexCounts" || property == "faceVertexIndices";
    if (topology && !readsFaces_) {
        // Taken as whole and agreeing: the road that passed them checks them as it reads.
        // Given twice, the whole scan checks indices against the counts in hand as they
        // come, and keeps a malformed array's mark, where the reader takes the last ones.
        if (property == "faceVertexCounts" ? mesh.countsRead : mesh.indicesRead)
            facts_.wholeScanNeeded = true;
        if (!lexer_.skipGroup('[')) return;
        if (property == "faceVertexCounts") {
            mesh.countsRead = true;
            mesh.countsLine = line;
        } else {
            mesh.indicesRead = true;
            mesh.indicesLine = line;
        }
        return;
    }
    ArrayRead read = ArrayRead::Done;
    if (property == "faceVertexCounts") {
        std::vector<std::int32_t>().swap(mesh.counts);
        read = readIntegerArray(lexer_, [&](std::int32_t count) { mesh.counts.push_back(count); });
        mesh.countsRead = true;
        mesh.countsLine = line;
        if (mesh.indicesRead && !mesh.waitingIndices.empty() && ahead_.ready())
            walkWaitingIndices(mesh, ahead_.await());
    } else if (property == "faceVertexIndices") {
        mesh.indicesRead = true;
        mesh.indicesLine = line;
        mesh.waitingIndices.clear();
        if (mesh.countsRead && ahead_.ready()) {
            const CreaseEdgeSet& creaseEdges = ahead_.await();
            mesh.found.assign(creaseEdges.size(), 0);
            FaceEdgeWalker walker(mesh.counts, creaseEdges, mesh.found);
            read = readIntegerArray(lexer_, [&](std::int32_t vertex) { walker.corner(vertex); });
            noteFaceWalk(mesh, walker);
        } else {
            read = readIntegerArray(
                lexer_, [&](std::int32_t vertex) { mesh.waitingIndices.push_back(vertex); });
        }
    } else {
        std::vector<std::int32_t>& values =
            property == "creaseIndices" ? mesh.creases.indices : mesh.creases.lengths;
        values.clear();
        read = readIntegerArray(lexer_, [&](std::int32_t value) { values.push_back(value); });
    }
    if (read == ArrayRead::Malformed && topology) {
        mesh.facesMalformed = true;
        mesh.facesMalformedLine = line;
    }
}

// The value after '=' of a property the scan reads: a default value, or the time samples
// `{ time: value, ... }` of which only the first counts.
void LayerScanner::readMeshValue(MeshScan& mesh, const StatementHead& head,
                                 const std::string& property, bool timeSamples) {
    const bool topology = property == "faceVertexCounts" || property == "faceVertexIndices";
    const bool integers = topology || property == "creaseIndices" || property == "creaseLengths";
    const bool read = integers || property == "points" || property == "creaseSharpnesses";
    if (property == "subdivisionScheme" && !timeSamples) {
        const UsdToken& value = lexer_.next();
        if (value.kind == UsdTokenKind::String)
            mesh.subdivisionNone = value.text == "none";
        else
            lexer_.pushBack();
        return;
    }
    if (!read) return;
    if (property == "points" && !readsFaces_) {
        // The scan counts the points of the last time samples, the reader reads the first:
        // only the whole scan checks the faces against the count it has.
        if (mesh.pointsGiven) facts_.wholeScanNeeded = true;
        mesh.pointsGiven = true;
    }
    if (topology && timeSamples) mesh.timeSampledTopologyLine = head.line;
    // Crease arrays over time: the first sample stands for them, unless a default is given.
    const bool alreadyRead = (property == "creaseIndices" && mesh.creases.indicesRead) ||
                             (property == "creaseLengths" && mesh.creases.lengthsRead) ||
                             (property == "creaseSharpnesses" && mesh.creases.sharpnessRead) ||
                             (property == "points" && mesh.pointsRead);
    if (timeSamples) {
        if (!lexer_.next().isPunct('{')) {
            lexer_.pushBack();
            return;
        }
        if (topology || alreadyRead || lexer_.next().kind != UsdTokenKind::Number ||
            !lexer_.next().isPunct(':')) {
            lexer_.skipGroup('{');
            return;
        }
    }
    const UsdToken& value = lexer_.next();
    if (!value.isPunct('[')) {
        if (isOpener(value)) lexer_.skipGroup(value.punct);
        if (timeSamples && lexer_.problem() == SceneRefusal::None) lexer_.skipGroup('{');
        return;
    }
    if (property == "points") {
        if (!timeSamples) mesh.node.pointsAt = reader_.offset();
        std::int64_t count = 0;
        const ArrayRead result = countTuples(lexer_, count);
        if (!alreadyRead || !timeSamples)
            mesh.node.vertexCount = result == ArrayRead::Done ? count : 0;
        mesh.pointsRead = mesh.pointsRead || !timeSamples;
    } else if (property == "creaseSharpnesses") {
        mesh.creases.sharpness.clear();
        mesh.creases.sharpnessText.clear();
        readNumbers(lexer_, mesh.creases.sharpness, mesh.creases.sharpnessText);
        mesh.creases.sharpnessRead = !timeSamples;
    } else {
        readIntegers(mesh, property, head.line);
        if (property == "creaseIndices") mesh.creases.indicesRead = !timeSamples;
        if (property == "creaseLengths") mesh.creases.lengthsRead = !timeSamples;
    }
    if (timeSamples && lexer_.problem() == SceneRefusal::None) lexer_.skipGroup('{');
}

SceneFacts scan(UsdByteReader& reader, const CreaseEdgesAhead& creaseEdges, ScanWatcher* watcher,
                LayerOutline* outline = nullptr, bool readsFaces = true) {
    SceneFacts facts;
    facts.format = SceneFormat::Usd;
    std::string lineEnding = "\n";
    readHeader(reader, lineEnding);
    if (outline != nullptr) outline->lineEnding = lineEnding;
    LayerScanner scanner(reader, creaseEdges, facts, watcher, outline, readsFaces);
    scanner.run(lineEnding);
    const UsdLexer& lexer = scanner.lexer();
    facts.problem = lexer.problem();
    facts.problemLine = lexer.problemLine();
    if (reader.failed()) {
        facts.problem = SceneRefusal::Unreadable;
        facts.problemLine = 0;
    }
    facts.size = reader.offset();  // the whole layer, unless a problem stopped the scan
    if (facts.problem != SceneRefusal::None) facts.nodes.clear();
    // Prims in the layer's order, by where each starts: they were gathered as they closed,
    // and prims on one line (`def Mesh "a" { def Mesh "b" {} }`) must keep the order they
    // have when a rewrite moves one of them to a line of its own.
    std::sort(facts.nodes.begin(), facts.nodes.end(),
              [](const SceneNode& a, const SceneNode& b) { return a.start < b.start; });
    return facts;
}

}  // namespace

SceneFacts scanUsdLayer(LineReader& layer, const CreaseEdgesAhead& creaseEdges,
                        ScanWatcher* watcher) {
    UsdByteReader reader;
    reader.openBlocks(layer);
    reader.watch(watcher);
    return scan(reader, creaseEdges, watcher);
}

SceneFacts scanUsdLayerPassingFaces(LineReader& layer) {
    UsdByteReader reader;
    reader.openBlocks(layer);
    const CreaseEdgeSet noCreaseEdges;
    const CreaseEdgesAhead creaseEdges(noCreaseEdges);
    return scan(reader, creaseEdges, nullptr, nullptr, false);
}

SceneFacts scanUsdLayerOutline(LineReader& layer, const CreaseEdgesAhead& creaseEdges,
                               LayerOutline& outline) {
    UsdByteReader reader;
    reader.openBlocks(layer);
    SceneFacts facts = scan(reader, creaseEdges, nullptr, &outline);
    for (const SceneNode& node : facts.nodes) {
        if (outline.chain.empty() || node.path != outline.chain.back()) continue;
        outline.tracked = true;
        outline.prim = node;
        break;
    }
    return facts;
}

}  // namespace tessaryn
