// A growable array kept in chunks of 2 MiB (or a few times that). Unlike a vector it never copies
// what it holds when it grows and never reserves more than one chunk ahead, so a mesh of hundreds
// of megabytes costs its own size in memory, not up to three times that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "base/file_system.h"

namespace tessaryn {

template <typename T>
class ChunkedArray {
    static_assert(std::is_trivial<T>::value, "chunks hold plain records, never constructed");

public:
    // As many elements as make a whole number of 2 MiB pages: 2 MiB over the largest
    // power of two that divides the element size (a 12-byte element gets 6 MiB chunks).
    static constexpr std::size_t kShift = 21 - (sizeof(T) % 16 == 0  ? 4
                                                : sizeof(T) % 8 == 0 ? 3
                                                : sizeof(T) % 4 == 0 ? 2
                                                : sizeof(T) % 2 == 0 ? 1
                                                                     : 0);
    static constexpr std::size_t kPerChunk = std::size_t{1} << kShift;

    void push_back(const T& value) {
        if (size_ == chunks_.size() * kPerChunk) addChunk();
        chunks_[size_ >> kShift].get()[size_ & (kPerChunk - 1)] = value;
        ++size_;
    }
    const T& operator[](std::size_t i) const {
        return chunks_[i >> kShift].get()[i & (kPerChunk - 1)];
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // The array will probably grow well beyond one chunk: even its first takes huge pages.
    void expectLarge() { expectLarge_ = true; }

    // Calls visit(pointer, count) for each run of consecutive elements, in order.
    template <typename Visit>
    void forEachRun(Visit&& visit) const {
        for (std::size_t chunk = 0; chunk * kPerChunk < size_; ++chunk) {
            std::size_t count = size_ - chunk * kPerChunk;
            visit(chunks_[chunk].get(), count < kPerChunk ? count : kPerChunk);
        }
    }

private:
    static constexpr std::size_t kChunkBytes = kPerChunk * sizeof(T);

    struct Release {
        void operator()(T* chunk) const { releaseChunk(chunk, kChunkBytes); }
    };

    void addChunk() {
        chunks_.reserve(chunks_.size() + 1);  // so that the new chunk cannot be lost
        chunks_.emplace_back(
            static_cast<T*>(allocateChunk(kChunkBytes, expectLarge_ || !chunks_.empty())));
    }

    std::vector<std::unique_ptr<T, Release>> chunks_;
    std::size_t size_ = 0;
    bool expectLarge_ = false;
};

}  // namespace tessaryn
