#include "scene_obj/obj_face_lines.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "base/numbers.h"

namespace tessaryn {

namespace {

// A batch is handed over once it holds this many corners: about a megabyte of text.
constexpr std::size_t kBatchCorners = std::size_t{1} << 16;
// A face's entry among a batch's corners: its corner count, the top bit set when it has uvs.
constexpr std::uint32_t kHasUvs = std::uint32_t{1} << 31;

// How many decimal digits `number` has: from its bits' count, which gives the digits or one
// fewer (1233 / 4096 is log10 2 to within 1e-5), and one comparison. 0 counts as 1, and
// `number | 1` has as many digits as `number`.
unsigned decimalDigits(std::uint64_t number) {
    const std::uint64_t odd = number | 1;
    const auto bits = static_cast<unsigned>(64 - __builtin_clzll(odd));
    const unsigned fewer = (bits * 1233) >> 12;
    return fewer + (odd >= kPowersOfTen[fewer] ? 1 : 0);
}

// The eight decimal digits of `number` (below 10^8) as the bytes of a word, the first digit
// in the lowest byte, with zeros before the number's own. Its halves' four digits each are
// split into pairs, then the pairs into digits, in every lane of the word at once: a few
// multiplications in place of a division a digit.
std::uint64_t eightDigits(std::uint32_t number) {
    std::uint64_t lanes = (number / 10000) | (std::uint64_t{number % 10000} << 32);
    // x * 10486 >> 20 is x / 100 for every x below 10^4, x * 103 >> 10 is x / 10 below 100.
    const std::uint64_t hundreds = ((lanes * 10486) >> 20) & 0x0000007F0000007FULL;
    lanes = hundreds | ((lanes - hundreds * 100) << 16);
    const std::uint64_t tens = ((lanes * 103) >> 10) & 0x000F000F000F000FULL;
    return (tens | ((lanes - tens * 10) << 8)) + 0x3030303030303030ULL;
}

// The decimal digits of `number`, below 10^10 (a 32-bit number plus one), written at `at`,
// which has room for eight bytes, or as many as the digits when more; the bytes past the
// digits are overwritten after. Gives their end.
char* putDecimal(char* at, std::uint64_t number) {
    const unsigned digits = decimalDigits(number);
    if (digits > 8) {
        // The first one or two digits, then the last eight.
        const std::uint64_t first =
            eightDigits(static_cast<std::uint32_t>(number / 100000000)) >> (8 * (16 - digits));
        std::memcpy(at, &first, sizeof first);
        at += digits - 8;
        number %= 100000000;
    }
    const std::uint64_t text =
        eightDigits(static_cast<std::uint32_t>(number)) >> (8 * (8 - std::min(digits, 8u)));
    std::memcpy(at, &text, sizeof text);
    return at + std::min(digits, 8u);
}

}  // namespace

char* putFaceLine(char* at, const std::uint32_t* vertices, const std::uint32_t* uvs,
                  std::size_t corners) {
    *at++ = 'f';
    for (std::size_t corner = 0; corner < corners; ++corner) {
        *at++ = ' ';
        char* const number = at;
        at = putDecimal(at, std::uint64_t{vertices[corner]} + 1);
        if (uvs != nullptr) {
            *at++ = '/';
            if (uvs[corner] == vertices[corner]) {
                // The same number again (texture coordinates given per vertex): its
                // digits copied, eight at once (the bytes past them overwritten after),
                // then the ninth and tenth where it has them.
                const auto digits = static_cast<std::size_t>(at - 1 - number);
                std::uint64_t firstEight = 0;
                std::memcpy(&firstEight, number, sizeof firstEight);
                std::memcpy(at, &firstEight, sizeof firstEight);
                if (digits > 8) {
                    at[8] = number[8];
                    at[9] = number[9];
                }
                at += digits;
            } else {
                at = putDecimal(at, std::uint64_t{uvs[corner]} + 1);
            }
        }
    }
    *at++ = '\r';
    *at++ = '\n';
    return at;
}

std::uint32_t* FaceLines::Numbers::extend(std::size_t count) {
    if (count > room - size) {
        const std::size_t grown = std::max(2 * room, std::max(size + count, kBatchCorners + 64));
        std::unique_ptr<std::uint32_t[]> larger(new std::uint32_t[grown]);
        if (size != 0) std::memcpy(larger.get(), values.get(), size * sizeof(std::uint32_t));
        values = std::move(larger);
        room = grown;
    }
    std::uint32_t* const to = values.get() + size;
    size += count;
    return to;
}

void FaceLines::Numbers::append(const std::uint32_t* from, std::size_t count) {
    std::uint32_t* const to = extend(count);
    switch (count) {
        case 4:
            to[3] = from[3];
            [[fallthrough]];
        case 3:
            to[2] = from[2];
            [[fallthrough]];
        case 2:
            to[1] = from[1];
            [[fallthrough]];
        case 1:
            to[0] = from[0];
            return;
        default:
            std::memcpy(to, from, count * sizeof(std::uint32_t));
    }
}

void FaceLines::Numbers::claim() {
    if (size != 0) std::memset(values.get(), 0, size * sizeof(std::uint32_t));
}

void FaceLines::Batch::claim() {
    corners.claim();
    vertices.claim();
    uvs.claim();
}

void FaceLines::Batch::clear() {
    corners.size = 0;
    vertices.size = 0;
    uvs.size = 0;
}

std::size_t FaceLines::Batch::textBound() const {
    return 3 * corners.size + vertices.size * kFaceCornerBytes;
}

void FaceLines::Text::makeRoom(std::size_t size) {
    if (size <= room) return;
    bytes.reset(new char[size]);
    room = size;
}

FaceLines::FaceLines(SafeWriter& out, const SecondThread* thread) : thread_(thread), turns_(out) {}

FaceLines::~FaceLines() {
    stop();
}

bool FaceLines::start() {
    running_ = thread_ != nullptr && thread_->start(thread_->self, runLent, this);
    return running_;
}

void FaceLines::add(const std::uint32_t* vertices, const std::uint32_t* uvs,
                    std::size_t corners) {
    if (gathering_.corners.size != 0 && gathering_.uvsAreVertices) handOver();
    gathering_.uvsAreVertices = false;
    const std::uint32_t entry = static_cast<std::uint32_t>(corners) | (uvs ? kHasUvs : 0);
    gathering_.corners.append(&entry, 1);
    gathering_.vertices.append(vertices, corners);
    if (uvs != nullptr) gathering_.uvs.append(uvs, corners);
    if (gathering_.vertices.size >= kBatchCorners) handOver();
}

void FaceLines::addRun(const std::uint32_t* counts, std::size_t faceCount,
                       const std::uint32_t* vertices, const std::uint32_t* uvs) {
    // A batch's faces all have their own texture coordinate numbers, or all have their
    // vertex numbers as those, stored once.
    const bool same = uvs != nullptr && uvs == vertices;
    if (gathering_.corners.size != 0 && gathering_.uvsAreVertices != same) handOver();
    gathering_.uvsAreVertices = same;
    std::size_t corners = 0;
    std::uint32_t* entries = gathering_.corners.extend(faceCount);
    const std::uint32_t flags = uvs == nullptr ? 0 : kHasUvs;
    for (std::size_t f = 0; f < faceCount; ++f) {
        entries[f] = counts[f] | flags;
        corners += counts[f];
    }
    if (corners != 0) {
        std::memcpy(gathering_.vertices.extend(corners), vertices, corners * sizeof(std::uint32_t));
        if (uvs != nullptr && !same)
            std::memcpy(gathering_.uvs.extend(corners), uvs, corners * sizeof(std::uint32_t));
    }
    if (gathering_.vertices.size >= kBatchCorners) handOver();
}

void FaceLines::finish() {
    handOver();
    stop();
}

void FaceLines::handOver() {
    if (gathering_.corners.size == 0) return;
    gathering_.turn = batches_++;
    bool handed = false;
    if (running_) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!lentFull_) {
            std::swap(gathering_, lent_);
            lentText_.makeRoom(lent_.textBound());
            lentFull_ = true;
            handed = true;
        } else if (!queuedFull_) {
            std::swap(gathering_, queued_);
            queuedText_.makeRoom(queued_.textBound());
            queuedFull_ = true;
            handed = true;
        }
    }
    if (handed) {
        changed_.notify_all();
    } else {
        // No lent thread, or it is still busy: this thread formats the batch itself.
        ownText_.makeRoom(gathering_.textBound());
        write(gathering_, ownText_);
    }
    // A batch handed over leaves the lent thread's last one here, its room reused. The
    // lent thread read it last, so its cache lines are shared with the other processor,
    // and a face's numbers stored one by one would wait for each line to be given up in
    // turn: one sweep over the part it used claims them together.
    if (handed) gathering_.claim();
    gathering_.clear();
}

void FaceLines::write(const Batch& batch, Text& text) {
    char* at = text.bytes.get();
    const std::uint32_t* vertices = batch.vertices.values.get();
    const std::uint32_t* uvs = batch.uvs.values.get();
    for (std::size_t face = 0; face < batch.corners.size; ++face) {
        const std::uint32_t entry = batch.corners.values[face];
        const std::size_t corners = entry & ~kHasUvs;
        const bool hasUvs = (entry & kHasUvs) != 0;
        const std::uint32_t* faceUvs = !hasUvs ? nullptr : batch.uvsAreVertices ? vertices : uvs;
        at = putFaceLine(at, vertices, faceUvs, corners);
        vertices += corners;
        if (hasUvs && !batch.uvsAreVertices) uvs += corners;
    }
    turns_.write(batch.turn,
                 std::string_view(text.bytes.get(), static_cast<std::size_t>(at - text.bytes.get())));
}

void FaceLines::runLent(void* self) {
    auto& lines = *static_cast<FaceLines*>(self);
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(lines.mutex_);
            lines.changed_.wait(lock, [&] { return lines.lentFull_ || lines.stopping_; });
            if (!lines.lentFull_) return;
        }
        lines.write(lines.lent_, lines.lentText_);
        {
            const std::lock_guard<std::mutex> lock(lines.mutex_);
            if (lines.queuedFull_) {
                std::swap(lines.lent_, lines.queued_);
                std::swap(lines.lentText_, lines.queuedText_);
                lines.queuedFull_ = false;
            } else {
                lines.lentFull_ = false;
            }
        }
        lines.changed_.notify_all();
    }
}

void FaceLines::stop() {
    if (!running_) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_->join(thread_->self);
    running_ = false;
}

}  // namespace tessaryn
