#include "scene/usdc/lz4_block.h"

#include <cstring>

namespace tessaryn {

namespace {

// Adds the extension bytes of a run length that reached 15: each 255 goes on, any other
// byte ends the run. False when the block ends inside the run.
bool extendLength(const unsigned char* block, std::size_t blockSize, std::size_t& at,
                  std::uint64_t& length) {
    for (;;) {
        if (at == blockSize) return false;
        const unsigned char more = block[at++];
        length += more;
        if (more != 255) return true;
    }
}

}  // namespace

bool decodeLz4Block(const unsigned char* block, std::size_t blockSize, unsigned char* out,
                    std::size_t capacity, std::size_t& produced) {
    std::size_t at = 0;
    std::size_t written = 0;
    produced = 0;
    // Every pass consumes at least the token byte, so the loop ends with the block.
    while (at < blockSize) {
        const unsigned char token = block[at++];
        std::uint64_t literals = token >> 4;
        if (literals == 15 && !extendLength(block, blockSize, at, literals)) return false;
        if (literals > blockSize - at || literals > capacity - written) return false;
        if (literals != 0) std::memcpy(out + written, block + at, static_cast<std::size_t>(literals));
        at += static_cast<std::size_t>(literals);
        written += static_cast<std::size_t>(literals);
        if (at == blockSize) break;  // the last sequence has literals only

        if (blockSize - at < 2) return false;
        const std::size_t offset = static_cast<std::size_t>(block[at]) |
                                   static_cast<std::size_t>(block[at + 1]) << 8;
        at += 2;
        if (offset == 0 || offset > written) return false;
        std::uint64_t length = (token & 15u) + 4u;
        if ((token & 15u) == 15 && !extendLength(block, blockSize, at, length)) return false;
        if (length > capacity - written) return false;
        // Byte by byte: the match may overlap the bytes it produces (offset 1 repeats one).
        const unsigned char* from = out + written - offset;
        unsigned char* to = out + written;
        for (std::uint64_t i = 0; i < length; ++i) to[i] = from[i];
        written += static_cast<std::size_t>(length);
    }
    produced = written;
    return true;
}

}  // namespace tessaryn
