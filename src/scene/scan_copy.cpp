#include "scene/scan_copy.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "base/file_system.h"
#include "scene/node_choice.h"

namespace tessaryn {

ScanCopy::ScanCopy(std::string scene, std::string wanted, bool evenUnchanged,
                   std::function<GuessedStatements(const SceneNode&)> statements)
    : scene_(std::move(scene)),
      wanted_(std::move(wanted)),
      evenUnchanged_(evenUnchanged),
      statements_(std::move(statements)) {}

ScanCopy::~ScanCopy() {
    closeScene();
}

void ScanCopy::closeScene() {
    if (in_ != nullptr) std::fclose(in_);
    in_ = nullptr;
}

bool ScanCopy::open(const std::string& destination) {
    in_ = std::fopen(scene_.c_str(), "rb");
    if (in_ == nullptr) return false;
    std::setvbuf(in_, nullptr, _IONBF, 0);
    destination_ = destination;
    state_ = State::Watching;
    return true;
}

void ScanCopy::passed(std::uint64_t offset, std::string_view bytes) {
    if (state_ == State::Placed) copyTo(offset, bytes, offset);
}

// Nothing is copied before the node is placed, so where it starts does not matter here.
void ScanCopy::nodeOpened(const std::string& path, const std::string& name, std::uint64_t) {
    if (state_ != State::Watching) return;
    if (!wanted_.empty() && !nodeIsNamed(path, name, wanted_)) return;
    state_ = State::Holding;
    path_ = path;
}

void ScanCopy::nodePlaced(const SceneNode& node) {
    if (state_ != State::Holding || node.path != path_) return;
    ranges_ = node.creaseStatements;
    if (ranges_.empty()) ranges_.push_back({node.insertAt, node.insertAt});
    GuessedStatements guess = statements_(node);
    // Nothing to write in place: the road will find the same, and write nothing.
    if ((guess.unchanged && !evenUnchanged_) || !writer_.open(destination_.c_str())) {
        state_ = State::Abandoned;
        return;
    }
    buffer_.reset(new char[kSceneCopyBlock]);
    text_ = std::move(guess.text);
    state_ = State::Placed;
}

bool ScanCopy::guessed(const std::string& path, const std::vector<ByteRange>& ranges,
                       std::string_view text) const {
    if (state_ != State::Placed || path != path_ || text != text_ || readFailed_) return false;
    return std::equal(ranges.begin(), ranges.end(), ranges_.begin(), ranges_.end(),
                      [](const ByteRange& a, const ByteRange& b) {
                          return a.start == b.start && a.end == b.end;
                      });
}

// Copies the scene's bytes up to `target` into the copy: the guessed node's statement
// text where its first range starts, its ranges left out. `bytes` end at `bytesEnd`;
// what lies before them is read from the scene again.
void ScanCopy::copyTo(std::uint64_t target, std::string_view bytes, std::uint64_t bytesEnd) {
    while (copied_ < target && !readFailed_) {
        std::uint64_t stop = target;
        bool inside = false;
        if (state_ == State::Placed) {
            if (!textWritten_ && copied_ == ranges_.front().start) {
                writer_.write(text_);
                textWritten_ = true;
            }
            for (const ByteRange& range : ranges_) {
                if (copied_ >= range.start && copied_ < range.end) {
                    copied_ = std::min(range.end, target);
                    inside = true;
                    break;
                }
                if (range.start > copied_) stop = std::min(stop, range.start);
            }
        }
        if (inside) continue;
        emit(copied_, stop, bytes, bytesEnd);
        copied_ = stop;
    }
}

void ScanCopy::emit(std::uint64_t from, std::uint64_t to, std::string_view bytes,
                    std::uint64_t bytesEnd) {
    const std::uint64_t bytesStart = bytesEnd - bytes.size();
    if (from < bytesStart) {
        const std::uint64_t part = std::min(to, bytesStart);
        copyFromScene(from, part);
        from = part;
    }
    if (from < to)
        writer_.write(bytes.substr(static_cast<std::size_t>(from - bytesStart),
                                   static_cast<std::size_t>(to - from)));
}

void ScanCopy::copyFromScene(std::uint64_t from, std::uint64_t to) {
    if (inAt_ != from && !seekFile(in_, from)) {
        readFailed_ = readError_ = true;
        return;
    }
    inAt_ = to;
    if (copySceneBytes(in_, &writer_, to - from, buffer_.get())) return;
    readFailed_ = true;
    readError_ = std::ferror(in_) != 0;
}

SceneRefusal ScanCopy::finish(const SceneStamp& read, int& error) {
    error = 0;
    copyTo(read.size, std::string_view(), read.size);
    if (state_ == State::Placed && !textWritten_ && copied_ == ranges_.front().start) {
        writer_.write(text_);  // the statements go at the scene's very end
        textWritten_ = true;
    }
    if (readError_) {
        closeScene();
        error = EIO;
        return SceneRefusal::Unreadable;
    }
    const bool sameBytes = !readFailed_ && (inAt_ == read.size || seekFile(in_, read.size));
    return finishRewrite(in_, sameBytes, scene_, read, writer_, error);
}

}  // namespace tessaryn
