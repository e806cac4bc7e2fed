#include "vyx/block_stream.h"

#include <string_view>

namespace tessaryn {

BlockStream::BlockStream(SafeWriter* out, std::uint64_t offset)
    : out_(out), offset_(offset), buffer_(out != nullptr ? new char[kCapacity] : nullptr) {}

void BlockStream::flush() {
    if (out_ == nullptr || used_ == 0) return;
    out_->writeAt(offset_, std::string_view(buffer_.get(), used_));
    offset_ += used_;
    used_ = 0;
}

}  // namespace tessaryn
