// Reads a Vyx file back: its blocks, each checked against the file and its element
// count. Not part of the library, which only writes Vyx files: the command-line tool's
// dump, the tests and the fuzzers read them with it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace tessaryn::vyx {

struct Block {
    std::int32_t tag = 0;
    std::int32_t size = 0;  // header included
    std::int32_t count = 0;
    std::string_view payload;
};

struct File {
    std::vector<Block> blocks;  // in file order, the end marker not included

    const Block* find(std::int32_t tag) const {
        for (const Block& block : blocks) {
            if (block.tag == tag) return &block;
        }
        return nullptr;
    }
};

// Parses `bytes`, which must outlive `file`. Gives "" when the file is well formed, else
// what is wrong with it (truncated, a size that disagrees with the count, ...).
std::string parse(std::string_view bytes, File& file);

// The payload of a block as records of T, copied out (the payload is not aligned).
template <typename T>
std::vector<T> records(const Block& block) {
    std::vector<T> out(block.payload.size() / sizeof(T));
    if (!out.empty()) std::memcpy(out.data(), block.payload.data(), out.size() * sizeof(T));
    return out;
}

}  // namespace tessaryn::vyx
