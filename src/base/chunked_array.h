// A growable array kept in chunks of about 1 MiB. Unlike a vector it never copies what
// it holds when it grows and never reserves more than one chunk ahead, so a mesh of
// hundreds of megabytes costs its own size in memory, not up to three times that.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace tessaryn {

template <typename T>
class ChunkedArray {
public:
    static constexpr std::size_t kShift = sizeof(T) <= 1   ? 20
                                          : sizeof(T) <= 2 ? 19
                                          : sizeof(T) <= 4 ? 18
                                          : sizeof(T) <= 8 ? 17
                                                           : 16;
    static constexpr std::size_t kPerChunk = std::size_t{1} << kShift;

    void push_back(const T& value) {
        if (size_ == chunks_.size() * kPerChunk) chunks_.emplace_back(new T[kPerChunk]);
        chunks_[size_ >> kShift][size_ & (kPerChunk - 1)] = value;
        ++size_;
    }
    const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & (kPerChunk - 1)]; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Calls visit(pointer, count) for each run of consecutive elements, in order.
    template <typename Visit>
    void forEachRun(Visit&& visit) const {
        for (std::size_t chunk = 0; chunk * kPerChunk < size_; ++chunk) {
            std::size_t count = size_ - chunk * kPerChunk;
            visit(chunks_[chunk].get(), count < kPerChunk ? count : kPerChunk);
        }
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

}  // namespace tessaryn
