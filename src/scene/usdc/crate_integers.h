// The compressions a crate file wraps around its integer lists: a blob of LZ4 blocks in
// chunks, and inside it the integer coding (deltas from the previous value, each a common
// delta or an 8, 16 or 32-bit one, chosen by a 2-bit code). A list's length always comes
// from outside the list; it is checked against what the compressed bytes can hold before
// anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/usdc/crate_bytes.h"
#include "scene/usdc/lz4_block.h"

namespace tessaryn {

// More elements than any list may have, whatever the bytes: 1 GiB of 32-bit values.
constexpr std::uint64_t kMaxCrateElements = std::uint64_t{1} << 28;

// Decompresses the blob [blob, blob + blobSize) into `out`, which ends up holding what the
// blob makes. False when the blob is damaged or would make more than `capacity` bytes.
bool decodeCompressedBlob(const unsigned char* blob, std::uint64_t blobSize,
                          std::uint64_t capacity, Bytes& out);

// The 32-bit integer coding in [encoded, encoded + size), decoded a stretch at a time.
class IntegerDecoder {
public:
    // Starts on `count` values; false when the bytes cannot hold their codes.
    bool open(const unsigned char* encoded, std::uint64_t size, std::uint64_t count);
    // Decodes the next `count` values (at most those left) into `out`; false when they
    // reach past the bytes.
    bool next(std::uint32_t* out, std::uint64_t count);
    std::uint64_t left() const { return count_ - done_; }

private:
    const unsigned char* encoded_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint64_t count_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t at_ = 0;  // the next value that is not the common delta
    std::uint32_t common_ = 0;
    std::uint32_t previous_ = 0;
};

// Decodes `count` integers of the 32-bit integer coding from [encoded, encoded + size)
// into `out` (count values). False when the codes or values reach past `size`.
bool decodeIntegers32(const unsigned char* encoded, std::uint64_t size, std::uint64_t count,
                      std::uint32_t* out);

// Takes a list of integers a stretch at a time, for a reader that only walks it: a list
// of millions then never needs room for all of it.
class IntegerWalk {
public:
    virtual ~IntegerWalk() = default;
    virtual void take(const std::int32_t* values, std::size_t count) = 0;
    // A walk that needs only how many values the list holds is told that instead, the
    // values left undecoded (a damaged list then passes where its values would not).
    virtual bool countsOnly() const { return false; }
    virtual void counted(std::uint64_t) {}
};
// Values a stretch.
constexpr std::uint64_t kWalkStretch = std::uint64_t{1} << 16;

// The most integers a compressed list of `compressedSize` bytes can hold: each takes at
// least 2 bits of its decompressed bytes.
constexpr std::uint64_t maxCompressedIntegers(std::uint64_t compressedSize) {
    return compressedSize > kMaxCrateElements ? kMaxCrateElements
                                              : 4 * kLz4MaxExpansion * compressedSize;
}

// Decodes a compressed list of `count` 32-bit integers held by the blob
// [blob, blob + blobSize) into `values`.
bool decodeCompressedIntegers(const unsigned char* blob, std::uint64_t blobSize,
                              std::uint64_t count, std::vector<std::uint32_t>& values);
// The same for signed integers, decoded in place.
bool decodeCompressedIntegers(const unsigned char* blob, std::uint64_t blobSize,
                              std::uint64_t count, std::vector<std::int32_t>& values);

// Hands a compressed list of `count` 32-bit integers to `walk`, kWalkStretch at a time.
// False when damaged; `walk` may have been given the values before the damage.
bool walkCompressedIntegers(const unsigned char* blob, std::uint64_t blobSize, std::uint64_t count,
                            IntegerWalk& walk);

// Takes a compressed list of `count` integers at the cursor: its u64 compressed size,
// then the blob.
bool takeCompressedIntegers(ByteCursor& cursor, std::uint64_t count,
                            std::vector<std::uint32_t>& values);

}  // namespace tessaryn
