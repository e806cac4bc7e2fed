#include "scene/host_scene.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/line_reader.h"
#include "base/numbers.h"
#include "base/safe_writer.h"
#include "crease/crease_edge_set.h"

namespace tessaryn {

namespace {

constexpr std::string_view kPlaceholder = "  \tsetAttr \".cd\"";
constexpr std::string_view kCreaseHeader =
    "  setAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge ";

// Whether `line` holds `text`, looked for by one of its rarer characters, text[anchor]:
// scene data lines are long runs of digits, blanks and points, which a search by the
// first character of "  \tsetAttr" or ".ed" would stop at again and again.
bool containsAnchored(std::string_view line, std::string_view text, std::size_t anchor) {
    if (line.size() < text.size()) return false;
    const char* const first = line.data() + anchor;
    const char* const last = line.data() + (line.size() - text.size()) + anchor;  // inclusive
    for (const char* at = first; at <= last;) {
        const auto* hit = static_cast<const char*>(
            std::memchr(at, text[anchor], static_cast<std::size_t>(last - at) + 1));
        if (hit == nullptr) return false;
        if (std::memcmp(hit - anchor, text.data(), text.size()) == 0) return true;
        at = hit + 1;
    }
    return false;
}

// The three kinds of line the rewrite looks for, each by a character that number data
// lacks: the A of setAttr, the e of .ed, the [ of .ed[.
bool isEdgeCountLine(std::string_view line) {
    return containsAnchored(line, "setAttr -s", 4) && containsAnchored(line, ".ed", 1);
}
bool isEdgeBlockLine(std::string_view line) {
    return containsAnchored(line, ".ed[", 3);
}

// What the reading pass learns of the scene.
struct SceneScan {
    bool hasPlaceholder = false;
    std::size_t firstPlaceholderLine = 0;      // the first line holding the placeholder text
    std::uint64_t firstPlaceholderOffset = 0;  // where it starts in the file
    std::size_t placeholderLine = 0;           // the last line holding the placeholder text
    std::vector<std::int32_t> creaseIndices;   // scene numbers of the crease edges found
};

// A crease edge that no scene edge has matched yet.
constexpr std::int32_t kUnmatched = -1;

// Numbers the scene's edges as they come and notes the number of each crease edge. The
// numbering counts only from the last edge-count line on, so every edge-count line
// starts it afresh and forgets what the blocks before it matched.
class EdgeNumbering {
public:
    explicit EdgeNumbering(const CreaseEdgeSet& creaseEdges)
        : creaseEdges_(creaseEdges), numbers_(creaseEdges.size(), kUnmatched) {}

    void restart() {
        for (std::int32_t edge : matched_) numbers_[static_cast<std::size_t>(edge)] = kUnmatched;
        matched_.clear();
        counter_ = 0;
    }

    // A data line: integer triples (first vertex, second vertex, unused) until the text
    // ends or a number does not read. Each complete triple is the next scene edge; it
    // matches a crease edge only when written smaller vertex first.
    void readDataLine(std::string_view line) {
        TextCursor cursor(line);
        std::int32_t first = 0;
        std::int32_t second = 0;
        std::int32_t unused = 0;
        while (readInt32(cursor, first) && readInt32(cursor, second) && readInt32(cursor, unused)) {
            match(first, second);
            ++counter_;
        }
    }

    std::vector<std::int32_t> creaseIndices() const {
        std::vector<std::int32_t> indices;
        indices.reserve(matched_.size());
        for (std::int32_t edge : matched_)
            indices.push_back(numbers_[static_cast<std::size_t>(edge)]);
        std::sort(indices.begin(), indices.end());
        return indices;
    }

private:
    void match(std::int32_t first, std::int32_t second) {
        constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();
        if (first > second || counter_ > kLargest) return;
        const std::int32_t edge = creaseEdges_.find(first, second);
        if (edge == CreaseEdgeSet::kNotACreaseEdge) return;
        std::int32_t& number = numbers_[static_cast<std::size_t>(edge)];
        if (number != kUnmatched) return;  // the first appearance counts
        number = static_cast<std::int32_t>(counter_);
        matched_.push_back(edge);
    }

    const CreaseEdgeSet& creaseEdges_;
    std::vector<std::int32_t> numbers_;  // each crease edge's scene number, or kUnmatched
    std::vector<std::int32_t> matched_;  // the crease edges numbered since the restart
    std::int64_t counter_ = 0;
};

// One pass over the scene, which also copies every line before the first placeholder
// line to `copy` (when it is open): up to there the scene is written out unchanged
// whatever the rest holds. False when the scene cannot be read.
bool scanScene(LineReader& reader, const CreaseEdges& creases, SafeWriter& copy, SceneScan& scan) {
    const CreaseEdgeSet creaseEdges =
        CreaseEdgeSet::fromObjNumbers(creases.edges, creases.vertexPositions);
    EdgeNumbering numbering(creaseEdges);
    bool dataLineNext = false;
    std::string_view line;
    for (std::size_t number = 0; reader.next(line); ++number) {
        if (isEdgeCountLine(line)) {
            numbering.restart();
            dataLineNext = false;
        }
        if (dataLineNext) numbering.readDataLine(line);
        // A data line is looked at again like any line: it may itself open a block.
        dataLineNext = isEdgeBlockLine(line);
        if (isPlaceholderLine(line)) {
            if (!scan.hasPlaceholder) {
                scan.firstPlaceholderLine = number;
                scan.firstPlaceholderOffset = reader.lineOffset();
            }
            scan.hasPlaceholder = true;
            scan.placeholderLine = number;
        }
        if (!scan.hasPlaceholder) copy.writeLine(line);
    }
    if (reader.failed()) return false;
    scan.creaseIndices = numbering.creaseIndices();
    return true;
}

std::string creaseDataLine(const std::vector<std::int32_t>& indices) {
    std::string data = " ";
    for (std::int32_t index : indices) {
        appendDecimal(data, index);
        data += " 1000 ";
    }
    data += " ;";
    return data;
}

}  // namespace

bool isPlaceholderLine(std::string_view line) {
    return containsAnchored(line, kPlaceholder, 7);
}

WorkResult RewriteSceneCreases(const char* scenePath, const CreaseEdges& creases) {
    LineReader reader;
    if (!reader.open(scenePath)) return Outcome::Unreadable;
    // The new scene is written while the old one is read, up to the first placeholder
    // line; only the rest is read a second time, once the crease statement is known.
    SafeWriter writer;
    const bool writable = writer.open(scenePath);
    SceneScan scan;
    if (!scanScene(reader, creases, writer, scan)) return Outcome::Unreadable;
    // Without a placeholder the statement has no place to go; a second run over a
    // rewritten scene lands here too. The copy made so far is dropped with the writer.
    if (!scan.hasPlaceholder) return Outcome::NoPlaceholder;
    if (!writable) return Outcome::Unwritable;

    // The header counts the pairs on the data line, so the statement agrees with its data
    // even when some crease edges are not in the scene.
    std::string header(kCreaseHeader);
    appendDecimal(header, static_cast<std::int64_t>(scan.creaseIndices.size()));
    const std::string data = creaseDataLine(scan.creaseIndices);

    if (!reader.open(scenePath, scan.firstPlaceholderOffset)) return Outcome::Unreadable;
    std::string_view line;
    for (std::size_t number = scan.firstPlaceholderLine; reader.next(line); ++number) {
        if (number == scan.placeholderLine) {
            writer.writeLine(header);
            writer.writeLine(data);
        } else if (number != scan.placeholderLine + 1) {
            writer.writeLine(line);
        }
    }
    if (reader.failed()) return Outcome::Unreadable;
    if (!writer.commit()) return Outcome::Unwritable;
    return {Outcome::Done, creases.groupCount};
}

}  // namespace tessaryn
