// Where a crate layer's bytes go: a string in memory (for tests) or a stream such as a
// file (for layers too large to hold twice), written front to back, with one way back to
// fill in a value known only at the end. Every number is written little-endian,
// whatever the host's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace tessaryn::testkit {

class CrateOutput {
public:
    // Appends to `bytes`; offsets count from its size at the start.
    explicit CrateOutput(std::string& bytes) : bytes_(&bytes), base_(bytes.size()) {}
    explicit CrateOutput(std::ostream& stream) : stream_(&stream) {}

    // Offset of the next byte from the start of the layer.
    std::uint64_t position() const { return position_; }
    void bytes(const void* data, std::size_t size);
    void bytes(const std::string& data) { bytes(data.data(), data.size()); }
    void zeros(std::size_t count);
    void u8(std::uint8_t value) { bytes(&value, 1); }
    void u32(std::uint32_t value);
    void u64(std::uint64_t value);
    // Zeros up to the next multiple of eight.
    void alignTo8() { zeros(static_cast<std::size_t>((8 - position_ % 8) % 8)); }
    // Overwrites the eight bytes already written at `at` with `value`.
    void patchU64(std::uint64_t at, std::uint64_t value);
    // Arrays of 32-bit words, converted to little-endian a block at a time so that an
    // array of millions is neither copied whole nor written a word per call.
    void words(const std::uint32_t* values, std::size_t count);
    void floats(const float* values, std::size_t count);
    // False once a write to the stream has failed.
    bool good() const { return stream_ == nullptr || stream_->good(); }

private:
    std::string* bytes_ = nullptr;
    std::ostream* stream_ = nullptr;
    std::size_t base_ = 0;
    std::uint64_t position_ = 0;
};

// Little-endian numbers appended to a byte string.
void appendU32(std::string& to, std::uint32_t value);
void appendU64(std::string& to, std::uint64_t value);
// The bits of a float as a 32-bit word.
std::uint32_t floatBits(float value);

}  // namespace tessaryn::testkit
