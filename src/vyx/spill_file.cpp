#include "vyx/spill_file.h"

namespace tessaryn {

SpillFile::~SpillFile() {
    if (file_ != nullptr) std::fclose(file_);
}

bool SpillFile::open() {
    file_ = std::tmpfile();
    if (file_ == nullptr) return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);  // blocks go straight from our buffer
    buffer_.reset(new char[kCapacity]);
    return true;
}

void SpillFile::flushAppended() {
    if (!failed_ && used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_)
        failed_ = true;
    used_ = 0;
}

bool SpillFile::rewind() {
    flushAppended();
    if (failed_ || std::fseek(file_, 0, SEEK_SET) != 0) return false;
    used_ = taken_ = 0;
    return true;
}

bool SpillFile::refill(std::size_t wanted) {
    const std::size_t left = used_ - taken_;
    std::memmove(buffer_.get(), buffer_.get() + taken_, left);
    used_ = left + std::fread(buffer_.get() + left, 1, kCapacity - left, file_);
    taken_ = 0;
    return used_ >= wanted;
}

}  // namespace tessaryn
