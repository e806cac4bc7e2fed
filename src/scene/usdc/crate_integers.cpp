#include "scene/usdc/crate_integers.h"

#include <algorithm>

#include "base/large_arrays.h"

namespace tessaryn {

namespace {

// What every chunk of a blob but its last decompresses to: LZ4's largest input.
constexpr std::uint64_t kChunkOutput = 0x7E000000;

// The integer coding's largest encoded size for `count` 32-bit values: the common delta,
// the 2-bit codes, and a 32-bit delta each.
std::uint64_t encodedBound(std::uint64_t count) {
    return count == 0 ? 0 : 4 + (2 * count + 7) / 8 + 4 * count;
}

}  // namespace

bool decodeCompressedBlob(const unsigned char* blob, std::uint64_t blobSize,
                          std::uint64_t capacity, Bytes& out) {
    out.clear();
    if (blobSize == 0) return false;
    // Never more room than the blob can fill, so that a claimed size costs nothing.
    if (capacity / kLz4MaxExpansion > blobSize) capacity = kLz4MaxExpansion * blobSize;
    if (capacity > SIZE_MAX / 2) return false;
    // One LZ4 block, or chunks of them for outputs beyond LZ4's largest input (2 GB).
    const unsigned chunks = blob[0];
    // The writer reads the count as a signed char: 128 and above never occur.
    if (chunks >= 128) return false;
    reserveLarge(out, static_cast<std::size_t>(capacity));
    out.resize(static_cast<std::size_t>(capacity));
    std::size_t written = 0;
    if (chunks == 0) {
        if (!decodeLz4Block(blob + 1, static_cast<std::size_t>(blobSize - 1), out.data(),
                            out.size(), written))
            return false;
        out.resize(written);
        return true;
    }
    std::uint64_t at = 1;
    for (unsigned chunk = 0; chunk < chunks; ++chunk) {
        if (blobSize - at < 4) return false;
        const std::int32_t chunkSize = loadLittle<std::int32_t>(blob + at);
        at += 4;
        if (chunkSize < 0 || static_cast<std::uint64_t>(chunkSize) > blobSize - at) return false;
        std::size_t made = 0;
        if (!decodeLz4Block(blob + at, static_cast<std::size_t>(chunkSize), out.data() + written,
                            out.size() - written, made))
            return false;
        if (chunk + 1 < chunks && made != kChunkOutput) return false;
        at += static_cast<std::uint64_t>(chunkSize);
        written += made;
    }
    out.resize(written);
    return true;
}

bool IntegerDecoder::open(const unsigned char* encoded, std::uint64_t size, std::uint64_t count) {
    encoded_ = encoded;
    size_ = size;
    count_ = count;
    done_ = 0;
    previous_ = 0;
    if (count == 0) return true;
    // The common delta, then 2 bits a value, then the values that are not the common one.
    const std::uint64_t codeBytes = (2 * count + 7) / 8;
    if (size < 4 || size - 4 < codeBytes) return false;
    common_ = loadLittle<std::uint32_t>(encoded);
    at_ = 4 + codeBytes;
    return true;
}

bool IntegerDecoder::next(std::uint32_t* out, std::uint64_t count) {
    // No values left, and perhaps no bytes at all: an empty list's bytes may be null.
    if (count == 0 || done_ == count_) return true;
    const unsigned char* const encoded = encoded_;
    const unsigned char* const codes = encoded + 4;
    const std::uint64_t size = size_;
    const std::uint32_t common = common_;
    std::uint64_t at = at_;
    // Deltas wrap: unsigned arithmetic keeps them defined.
    std::uint32_t previous = previous_;
    const std::uint64_t end = done_ + std::min(count, count_ - done_);
    for (std::uint64_t i = done_; i < end; ++i) {
        const unsigned code = (codes[i / 4] >> (2 * (i % 4))) & 3u;
        std::uint32_t delta = common;
        // Narrower deltas are signed: sign-extended, then added modulo 2^32.
        if (code == 1) {
            if (size - at < 1) return false;
            delta = static_cast<std::uint32_t>(static_cast<std::int32_t>(
                loadLittle<std::int8_t>(encoded + at)));
            at += 1;
        } else if (code == 2) {
            if (size - at < 2) return false;
            delta = static_cast<std::uint32_t>(static_cast<std::int32_t>(
                loadLittle<std::int16_t>(encoded + at)));
            at += 2;
        } else if (code == 3) {
            if (size - at < 4) return false;
            delta = loadLittle<std::uint32_t>(encoded + at);
            at += 4;
        }
        previous += delta;
        *out++ = previous;
    }
    done_ = end;
    at_ = at;
    previous_ = previous;
    return true;
}

bool decodeIntegers32(const unsigned char* encoded, std::uint64_t size, std::uint64_t count,
                      std::uint32_t* out) {
    IntegerDecoder decoder;
    return decoder.open(encoded, size, count) && decoder.next(out, count);
}

namespace {

// Decodes into `values`, 32-bit integers of either kind: a signed integer's storage may be
// written as its unsigned kind, so that signed arrays are decoded in place, not copied.
template <typename Integer>
bool decodeInto(const unsigned char* blob, std::uint64_t blobSize, std::uint64_t count,
                std::vector<Integer>& values) {
    static_assert(sizeof(Integer) == 4, "32-bit integers");
    values.clear();
    if (count > maxCompressedIntegers(blobSize)) return false;
    Bytes encoded;
    if (!decodeCompressedBlob(blob, blobSize, encodedBound(count), encoded)) return false;
    // The codes alone must be there before the values are given room.
    if (count != 0 && encoded.size() < 4 + (2 * count + 7) / 8) return false;
    reserveLarge(values, static_cast<std::size_t>(count));
    values.resize(static_cast<std::size_t>(count));
    if (decodeIntegers32(encoded.data(), encoded.size(), count,
                         reinterpret_cast<std::uint32_t*>(values.data())))
        return true;
    values.clear();
    return false;
}

}  // namespace

bool decodeCompressedIntegers(const unsigned char* blob, std::uint64_t blobSize,
                              std::uint64_t count, std::vector<std::uint32_t>& values) {
    return decodeInto(blob, blobSize, count, values);
}

bool decodeCompressedIntegers(const unsigned char* blob, std::uint64_t blobSize,
                              std::uint64_t count, std::vector<std::int32_t>& values) {
    return decodeInto(blob, blobSize, count, values);
}

bool walkCompressedIntegers(const unsigned char* blob, std::uint64_t blobSize, std::uint64_t count,
                            IntegerWalk& walk) {
    if (count > maxCompressedIntegers(blobSize)) return false;
    Bytes encoded;
    IntegerDecoder decoder;
    if (!decodeCompressedBlob(blob, blobSize, encodedBound(count), encoded) ||
        !decoder.open(encoded.data(), encoded.size(), count))
        return false;
    std::vector<std::uint32_t> stretch(static_cast<std::size_t>(std::min(count, kWalkStretch)));
    while (decoder.left() > 0) {
        const std::uint64_t made = std::min(decoder.left(), kWalkStretch);
        if (!decoder.next(stretch.data(), made)) return false;
        walk.take(reinterpret_cast<const std::int32_t*>(stretch.data()),
                  static_cast<std::size_t>(made));
    }
    return true;
}

bool takeCompressedIntegers(ByteCursor& cursor, std::uint64_t count,
                            std::vector<std::uint32_t>& values) {
    const std::uint64_t start = cursor.at;
    std::uint64_t compressedSize = 0;
    if (!cursor.take(compressedSize) || compressedSize > cursor.remaining() ||
        !decodeCompressedIntegers(cursor.here(), compressedSize, count, values)) {
        cursor.at = start;
        return false;
    }
    cursor.at += compressedSize;
    return true;
}

}  // namespace tessaryn
