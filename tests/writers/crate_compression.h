// The packings a crate layer uses for its tables and integer arrays: LZ4 blocks, the
// blob that frames them, the delta coding of 32-bit integers, and the list that puts
// the last two together. Each appends to a byte string, so that a caller building a
// section or an array holds its bytes once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaryn::testkit {

// Appends one raw LZ4 block (no frame) holding `size` bytes of `data`. It matches
// repeats of four bytes or more found through a hash of the last position of each, and
// keeps LZ4's end rules: the last five bytes are literals and no match starts in the
// last twelve. An empty input gives the single byte 0.
void appendLz4Block(std::string& to, const char* data, std::size_t size);

// Appends the blob that frames LZ4: a chunk count of 0, then one block. Throws
// std::length_error past LZ4's largest input (0x7E000000 bytes), which would need chunks.
void appendFastCompressed(std::string& to, const char* data, std::size_t size);

// The delta coding of `count` 32-bit integers: the most frequent delta, two bits a value
// saying how its delta is stored (the common one, 8, 16 or 32 bits), then the deltas
// that are not the common one. No bytes at all for no values.
std::string encodeIntegers(const std::uint32_t* values, std::size_t count);
std::string encodeIntegers(const std::int32_t* values, std::size_t count);

// Appends a compressed integer list: the blob's size as a u64, then the blob holding
// encodeIntegers of the values. The count is not in it; the reader has it from elsewhere.
void appendCompressedIntList(std::string& to, const std::uint32_t* values, std::size_t count);
void appendCompressedIntList(std::string& to, const std::int32_t* values, std::size_t count);

}  // namespace tessaryn::testkit
