#include "scene_obj/obj_head_lines.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "scene_obj/block_turns.h"
#include "scene_obj/float_text_cache.h"

namespace tessaryn {

namespace {

// The longest line: "vt" or "v", three blanks and floats, CR LF.
constexpr std::size_t kLineBytes = 2 + 3 * (1 + kShortestFloatBytes) + 2;

// A blank, then the float's shortest decimal, at `at`; gives the end.
char* putFloat(char* at, float value, FloatTextCache& texts) {
    *at++ = ' ';
    return texts.put(at, value);
}

// Lines [first, last) of the head, counting the points' lines and then the texture
// coordinates', formatted at `at`; gives their end.
char* putLines(const MeshHead& head, std::size_t first, std::size_t last, char* at,
               FloatTextCache& texts) {
    const std::size_t points = head.points.size() / 3;
    for (std::size_t line = first; line < last; ++line) {
        if (line < points) {
            const float* p = head.points.data() + 3 * line;
            *at++ = 'v';
            at = putFloat(at, p[0], texts);
            at = putFloat(at, p[1], texts);
            at = putFloat(at, p[2], texts);
        } else {
            const float* t = head.uvs.data() + 2 * (line - points);
            *at++ = 'v';
            *at++ = 't';
            at = putFloat(at, t[0], texts);
            at = putFloat(at, t[1], texts);
        }
        *at++ = '\r';
        *at++ = '\n';
    }
    return at;
}

// What the threads share. Each formats its blocks into a buffer of its own, then hands
// them to the writer in turn.
struct Blocks {
    const MeshHead& head;
    BlockTurns& turns;
    std::size_t lines;
    std::size_t blockLines;
    std::size_t count;
};

// Formats and writes blocks first, first + step, first + 2 step... through `buffer`.
void writeBlocks(const Blocks& blocks, std::size_t first, std::size_t step, char* buffer,
                 FloatTextCache& texts) {
    for (std::size_t block = first; block < blocks.count; block += step) {
        const std::size_t begin = block * blocks.blockLines;
        const std::size_t end = std::min(begin + blocks.blockLines, blocks.lines);
        const char* textEnd = putLines(blocks.head, begin, end, buffer, texts);
        blocks.turns.write(block, std::string_view(buffer, static_cast<std::size_t>(textEnd - buffer)));
    }
}

// The lent thread's part: every other block, from the second.
struct LentPart {
    const Blocks* blocks;
    char* buffer;
    FloatTextCache* texts;
};

void writeLentPart(void* context) {
    const auto* part = static_cast<const LentPart*>(context);
    writeBlocks(*part->blocks, 1, 2, part->buffer, *part->texts);
}

}  // namespace

void writeHeadLines(const MeshHead& head, SafeWriter& out, const SecondThread* thread,
                    std::size_t blockLines) {
    blockLines = std::max<std::size_t>(blockLines, 1);
    BlockTurns turns(out);
    const std::size_t lines = head.points.size() / 3 + head.uvs.size() / 2;
    const Blocks blocks{head, turns, lines, blockLines, (lines + blockLines - 1) / blockLines};
    const std::size_t bufferBytes = std::min(blocks.lines, blockLines) * kLineBytes;
    std::unique_ptr<char[]> buffer(new char[bufferBytes]);
    auto texts = std::make_unique<FloatTextCache>();
    // The lent thread's buffer and texts come from here: nothing on that thread allocates
    // or throws.
    const bool lend = thread != nullptr && blocks.count > 1;
    std::unique_ptr<char[]> lentBuffer(lend ? new char[bufferBytes] : nullptr);
    std::unique_ptr<FloatTextCache> lentTexts(lend ? new FloatTextCache : nullptr);
    LentPart lent{&blocks, lentBuffer.get(), lentTexts.get()};
    LentWork work;
    const bool helped = lend && work.start(thread, writeLentPart, &lent);
    writeBlocks(blocks, 0, helped ? 2 : 1, buffer.get(), *texts);
    work.join();
}

}  // namespace tessaryn
