// Decodes one raw LZ4 block (no frame) into a buffer of known capacity: the block's
// sequences of literals and back-references, each checked against both ends, so that
// hostile data can neither read past the block nor write past the buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaryn {

// LZ4 cannot make more than this many bytes of one byte of block: a run length grows by
// 255 per extension byte.
constexpr std::uint64_t kLz4MaxExpansion = 255;

// Decodes `block` into `out`, which holds `capacity` bytes, and sets `produced`. False
// when the block is damaged: a run past the block's end, a match offset of 0 or before
// the output's start, or more output than `capacity`.
bool decodeLz4Block(const unsigned char* block, std::size_t blockSize, unsigned char* out,
                    std::size_t capacity, std::size_t& produced);

}  // namespace tessaryn
