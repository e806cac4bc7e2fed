#include "scene/maya/maya_mesh_statements.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "base/byte_search.h"
#include "base/numbers.h"
#include "scene/maya/maya_index_range.h"

namespace tessaryn {

namespace {

// Index ranges stay below this, so that the highest index plus one is an int32.
constexpr std::int64_t kIndexLimit = std::numeric_limits<std::int32_t>::max();


// The range of an attribute name such as ".ed[0:165]" or ".ed[7]" whose stem is ".ed".
bool readAttributeRange(std::string_view attribute, std::string_view stem, std::int64_t& first,
                        std::int64_t& last) {
    if (attribute.size() < stem.size() + 2 || attribute.compare(0, stem.size(), stem) != 0 ||
        attribute[stem.size()] != '[' || attribute.back() != ']') {
        return false;
    }
    return readMayaIndexRange(
        attribute.substr(stem.size() + 1, attribute.size() - stem.size() - 2), first, last);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Vertex numbers, most of a scene's words, are a few plain digits and take the short
// loop (18 digits cannot overflow); anything else takes the stream's rules.
bool readWholeNumber(std::string_view word, std::int64_t& value) {
    if (!word.empty() && word.size() <= 18) {
        std::int64_t plain = 0;
        std::size_t i = 0;
        for (; i < word.size(); ++i) {
            const auto digit = static_cast<unsigned>(word[i] - '0');
            if (digit > 9) break;
            plain = plain * 10 + digit;
        }
        if (i == word.size()) {
            value = plain;
            return true;
        }
    }
    TextCursor cursor(word);
    return readInt64(cursor, value) && cursor.atEnd();
}

// Counts the numbers of [p, end) eight bytes at a time, as long as the bytes are white
// space and digits only and no eight in a row are digits (a number that long may be too
// long to be one). `p` must not be inside a number. Stops at the start of the number it
// was in, which it has not counted, so that a byte loop reads on from there.
const char* countPlainNumbers(const char* p, const char* end, std::int64_t& count) {
    using namespace byte_search;
    const char* const from = p;
    std::uint64_t lastWasDigit = 0;  // the high bit of the byte before the word
    for (; end - p >= 8; p += 8) {
        const std::uint64_t word = loadWord(p);
        const std::uint64_t digits = digitBytes(word);
        if ((digits | spaceBytes(word)) != kHighBits || digits == kHighBits) break;
        // A digit after a byte that is none starts a number.
        count += markedBytes(digits & ~((digits << 8) | lastWasDigit));
        lastWasDigit = digits >> 56;
    }
    if (lastWasDigit != 0) {
        --count;
        while (p != from && static_cast<unsigned char>(p[-1] - '0') < 10) --p;
    }
    return p;
}

}  // namespace

void MayaMeshStatements::beginNode() {
    vertexCount_ = edgeCount_ = 0;
    edgesAt_ = 0;
    edgesLine_ = 0;
    facesSeen_ = false;
    insertAt_ = 0;
    creaseStatements_.clear();
    hits_.clear();
    elementCreases_.clear();
    uvSetNames_.clear();
    currentUvSet_.clear();
}

void MayaMeshStatements::beginSetAttr(std::uint64_t offset, std::int64_t line,
                                      std::uint64_t lineStart) {
    statement_ = Statement::Unnamed;
    start_ = offset;
    lineStart_ = lineStart;
    line_ = line;
}

void MayaMeshStatements::string(std::string_view text) {
    if (statement_ == Statement::Unnamed) {
        name(text);  // the first string of a setAttr names its attribute
    } else if (statement_ == Statement::Edges) {
        fail();
    } else if (statement_ == Statement::UvSetName || statement_ == Statement::CurrentUvSet) {
        lastString_.assign(text.data(), text.size());
    }
}

void MayaMeshStatements::name(std::string_view attribute) {
    std::int64_t first = 0;
    std::int64_t last = 0;
    // Where the node's edges start ("-s 24 \".ed\"" too), for a reader that reads them
    // beside its vertices.
    if (edgesLine_ == 0 && startsWith(attribute, ".ed")) {
        edgesAt_ = lineStart_;
        edgesLine_ = line_;
    }
    if (readAttributeRange(attribute, ".vt", first, last)) {
        vertexCount_ = std::max(vertexCount_, last + 1);
        statement_ = Statement::Vertices;
    } else if (startsWith(attribute, ".ed[")) {
        // Maya writes a node's edge ranges ascending without overlap; an edge given
        // twice would be two edges under one number.
        statement_ = Statement::Edges;
        if (!readAttributeRange(attribute, ".ed", first, last) || first < edgeCount_) {
            fail();
            return;
        }
        edgeFirst_ = first;
        edgeLast_ = last;
        numbersRead_ = 0;
        // With no crease edges to find, an edge's numbers matter only as many.
        edgesCounted_ = creases_.ready() && creases_.await().size() == 0;
        numbersWanted_ = 3 * (last - first + 1);
        tripleAt_ = 0;
    } else if (attribute == ".fc" || startsWith(attribute, ".fc[")) {
        statement_ = Statement::Faces;
    } else if (attribute == ".cd") {
        statement_ = Statement::Creases;
        creaseWords_ = 0;
    } else if (attribute == ".cuvs") {
        statement_ = Statement::CurrentUvSet;
        lastString_.clear();
    } else if (startsWith(attribute, ".uvst[") && attribute.size() > 5 &&
               attribute.compare(attribute.size() - 5, 5, ".uvsn") == 0 &&
               readAttributeRange(attribute.substr(0, attribute.size() - 5), ".uvst", first,
                                  last) &&
               first == last) {
        statement_ = Statement::UvSetName;
        uvSetIndex_ = first;
        lastString_.clear();
    } else {
        statement_ = Statement::Plain;
    }
}

void MayaMeshStatements::word(std::string_view word) {
    if (statement_ == Statement::Edges) {
        edgeWord(word);
    } else if (statement_ == Statement::Creases) {
        creaseWord(word);
    }
}

// Triples (vertex, vertex, flag); the k-th is the edge first + k.
inline void MayaMeshStatements::edgeNumber(std::int64_t value) {
    if (numbersRead_ == numbersWanted_) {
        fail();
        return;
    }
    ++numbersRead_;
    if (tripleAt_ < 2) {
        triple_[tripleAt_++] = value;
        return;
    }
    tripleAt_ = 0;
    const std::int64_t a = triple_[0];
    const std::int64_t b = triple_[1];
    if (a < 0 || b < 0 || a >= kIndexLimit || b >= kIndexLimit) return;  // names no OBJ vertex
    // Most edges have an end on no crease edge and are turned away by the set's end
    // filter before any lookup.
    const std::int32_t found =
        creases_.await().find(static_cast<std::int32_t>(a), static_cast<std::int32_t>(b));
    if (found == CreaseEdgeSet::kNotACreaseEdge) return;
    CreaseHit hit;
    hit.creaseEdge = found;
    hit.element = static_cast<std::int32_t>(edgeFirst_ + numbersRead_ / 3 - 1);
    hit.smallerFirst = a < b;
    hits_.push_back(hit);
}

const char* MayaMeshStatements::edgeNumbers(const char* p, const char* end) {
    for (;;) {
        if (edgesCounted_) {
            std::int64_t count = 0;
            p = countPlainNumbers(p, end, count);
            edgeNumbersCounted(count);
        }
        while (p != end && isStreamSpace(*p)) ++p;
        const char* const digits = p;
        std::uint64_t value = 0;
        unsigned count = 8;
        if (end - p > 8) count = leadingDigits(loadWord(p), value);
        if (count < 8) {
            p += count;  // not the end: more than eight bytes were left
            if (count == 0 || !isStreamSpace(*p)) return digits;
        } else {
            unsigned digit = 0;
            while (p != end && (digit = static_cast<unsigned char>(*p - '0')) < 10) {
                value = value * 10 + digit;
                ++p;
            }
            // 18 digits cannot overflow; anything else is a word for readWholeNumber.
            if (p == digits || p - digits > 18 || (p != end && !isStreamSpace(*p))) return digits;
        }
        edgeNumber(static_cast<std::int64_t>(value));
    }
}

// `count` numbers of edges no crease edge needs: as many calls of edgeNumber would leave.
void MayaMeshStatements::edgeNumbersCounted(std::int64_t count) {
    const std::int64_t taken = std::min(count, numbersWanted_ - numbersRead_);
    numbersRead_ += taken;
    tripleAt_ = static_cast<int>((tripleAt_ + taken) % 3);
    if (taken < count) fail();
}

void MayaMeshStatements::edgeWord(std::string_view word) {
    std::int64_t value = 0;
    if (!readWholeNumber(word, value)) {
        fail();
        return;
    }
    edgeNumber(value);
}

// "Index_Data Edge N" and then pairs (edge, value); a value of 0 is no crease.
void MayaMeshStatements::creaseWord(std::string_view word) {
    if (creaseWords_ == 0) {
        if (word == "Edge") creaseWords_ = 1;
        return;
    }
    const std::int64_t place = creaseWords_++;  // the count at 1, then edge, value, ...
    if (place < 2) return;
    if (place % 2 == 0) {
        if (!readWholeNumber(word, creaseElement_)) creaseElement_ = -1;
        return;
    }
    TextCursor cursor(word);
    float value = 0.0f;
    if (!readFloat(cursor, value) || !(value > 0.0f) || creaseElement_ < 0 ||
        creaseElement_ >= kIndexLimit)
        return;
    NodeCrease crease;
    crease.value = value;
    crease.text = std::string(word);
    elementCreases_.push_back({creaseElement_, std::move(crease)});
}

void MayaMeshStatements::endSetAttr(std::uint64_t offsetAfter) {
    switch (statement_) {
        case Statement::Edges:
            if (readsEdges_ && numbersRead_ != numbersWanted_) {
                fail();
                return;
            }
            edgeCount_ = std::max(edgeCount_, edgeLast_ + 1);
            break;
        case Statement::Creases:
            creaseStatements_.push_back({start_, offsetAfter});
            break;
        case Statement::Faces:
            facesSeen_ = true;
            insertAt_ = offsetAfter;
            return;
        case Statement::UvSetName:
            uvSetNames_.push_back({uvSetIndex_, lastString_});
            break;
        case Statement::CurrentUvSet:
            currentUvSet_ = lastString_;
            break;
        default:
            break;
    }
    // A new crease statement goes after the faces, else after the node's last setAttr.
    if (!facesSeen_) insertAt_ = offsetAfter;
}

void MayaMeshStatements::finishNode(SceneNode& node) {
    if (!readsEdges_ && edgeCount_ > 0) ++nodesWithEdgesPassed_;
    node.vertexCount = vertexCount_;
    node.edgesAt = edgesAt_;
    node.edgesLine = edgesLine_;
    node.problem = edgeCount_ > 0 ? NodeProblem::None : NodeProblem::NoFaces;
    node.creaseStatements = std::move(creaseStatements_);
    node.insertAt = insertAt_;
    node.indent = "\t";
    // The set .cuvs names, else the first.
    node.uvSet = 0;
    for (const UvSetName& set : uvSetNames_) {
        if (set.name == currentUvSet_) {
            node.uvSet = static_cast<std::int32_t>(set.index);
            break;
        }
    }

    // Each crease edge once, by its first edge number; written smaller vertex first
    // when any of its edges is.
    std::sort(hits_.begin(), hits_.end(), [](const CreaseHit& x, const CreaseHit& y) {
        return x.creaseEdge != y.creaseEdge ? x.creaseEdge < y.creaseEdge : x.element < y.element;
    });
    node.hits.clear();
    for (const CreaseHit& hit : hits_) {
        if (!node.hits.empty() && node.hits.back().creaseEdge == hit.creaseEdge) {
            node.hits.back().smallerFirst = node.hits.back().smallerFirst || hit.smallerFirst;
            continue;
        }
        node.hits.push_back(hit);
    }

    // The crease edge of each crease, through the node's edge numbers.
    std::vector<CreaseHit> byElement = node.hits;
    std::sort(byElement.begin(), byElement.end(),
              [](const CreaseHit& x, const CreaseHit& y) { return x.element < y.element; });
    node.creases.clear();
    node.creases.reserve(elementCreases_.size());
    for (ElementCrease& given : elementCreases_) {
        const auto at = std::lower_bound(
            byElement.begin(), byElement.end(), given.element,
            [](const CreaseHit& hit, std::int64_t element) { return hit.element < element; });
        const bool onCreaseEdge = at != byElement.end() && at->element == given.element;
        given.crease.creaseEdge = onCreaseEdge ? at->creaseEdge : CreaseEdgeSet::kNotACreaseEdge;
        given.crease.element = static_cast<std::int32_t>(given.element);
        node.creases.push_back(std::move(given.crease));
    }
    beginNode();
}

}  // namespace tessaryn
