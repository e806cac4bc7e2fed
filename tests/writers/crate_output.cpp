#include "crate_output.h"

#include <algorithm>
#include <cstring>

namespace tessaryn::testkit {

namespace {

constexpr std::size_t kWordBlock = 4096;  // words converted per write, on the stack

void storeU32(char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void storeU64(char* at, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void appendU32(std::string& to, std::uint32_t value) {
    char word[4];
    storeU32(word, value);
    to.append(word, 4);
}

void appendU64(std::string& to, std::uint64_t value) {
    char word[8];
    storeU64(word, value);
    to.append(word, 8);
}

std::uint32_t floatBits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

void CrateOutput::bytes(const void* data, std::size_t size) {
    if (bytes_ != nullptr)
        bytes_->append(static_cast<const char*>(data), size);
    else
        stream_->write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    position_ += size;
}

void CrateOutput::zeros(std::size_t count) {
    static const char kZeros[64] = {};
    while (count > 0) {
        const std::size_t part = std::min(count, sizeof kZeros);
        bytes(kZeros, part);
        count -= part;
    }
}

void CrateOutput::u32(std::uint32_t value) {
    char word[4];
    storeU32(word, value);
    bytes(word, 4);
}

void CrateOutput::u64(std::uint64_t value) {
    char word[8];
    storeU64(word, value);
    bytes(word, 8);
}

void CrateOutput::patchU64(std::uint64_t at, std::uint64_t value) {
    char word[8];
    storeU64(word, value);
    if (bytes_ != nullptr) {
        bytes_->replace(base_ + static_cast<std::size_t>(at), 8, word, 8);
        return;
    }
    const std::ostream::pos_type end = stream_->tellp();
    stream_->seekp(static_cast<std::streamoff>(at));
    stream_->write(word, 8);
    stream_->seekp(end);
}

void CrateOutput::words(const std::uint32_t* values, std::size_t count) {
    char block[kWordBlock * 4];
    while (count > 0) {
        const std::size_t part = std::min(count, kWordBlock);
        for (std::size_t i = 0; i < part; ++i) storeU32(block + 4 * i, values[i]);
        bytes(block, 4 * part);
        values += part;
        count -= part;
    }
}

void CrateOutput::floats(const float* values, std::size_t count) {
    char block[kWordBlock * 4];
    while (count > 0) {
        const std::size_t part = std::min(count, kWordBlock);
        for (std::size_t i = 0; i < part; ++i) storeU32(block + 4 * i, floatBits(values[i]));
        bytes(block, 4 * part);
        values += part;
        count -= part;
    }
}

}  // namespace tessaryn::testkit
