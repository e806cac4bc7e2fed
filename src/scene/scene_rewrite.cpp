#include "scene/scene_rewrite.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "base/safe_writer.h"

namespace tessaryn {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

// Copies `count` bytes from `in` to `out` (or skips them when `out` is null); false when
// the file holds fewer.
bool copyBytes(std::FILE* in, SafeWriter* out, std::uint64_t count, char* buffer) {
    while (count != 0) {
        const std::size_t want = count < kBlock ? static_cast<std::size_t>(count) : kBlock;
        const std::size_t got = std::fread(buffer, 1, want, in);
        if (out != nullptr) out->write(std::string_view(buffer, got));
        if (got < want) return false;
        count -= got;
    }
    return true;
}

}  // namespace

SceneStamp stampScene(const std::string& path) {
    SceneStamp stamp;
    std::error_code error;
    stamp.modified = std::filesystem::last_write_time(path, error);
    stamp.modifiedKnown = !error;
    return stamp;
}

SceneRewrite rewriteScene(const std::string& scene, const std::string& destination,
                          const std::vector<ByteRange>& ranges, std::string_view text,
                          const SceneStamp& read, int& error) {
    error = 0;
    SafeWriter writer;
    errno = 0;
    if (!writer.open(destination.c_str())) {
        error = errno;
        return SceneRewrite::Unwritable;
    }
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(scene.c_str(), "rb"),
                                                       std::fclose);
    if (in == nullptr) {
        error = errno;
        return SceneRewrite::Unreadable;
    }
    std::unique_ptr<char[]> buffer(new char[kBlock]);
    // A scene shorter or longer than it was read, or saved again since, is left alone:
    // the ranges belong to the bytes that were read.
    bool sameBytes = true;
    std::uint64_t at = 0;
    for (std::size_t i = 0; i < ranges.size() && sameBytes; ++i) {
        const ByteRange& range = ranges[i];
        if (range.start < at || range.end < range.start || range.end > read.size)
            return SceneRewrite::Changed;
        sameBytes = copyBytes(in.get(), &writer, range.start - at, buffer.get());
        if (i == 0) writer.write(text);
        sameBytes =
            sameBytes && copyBytes(in.get(), nullptr, range.end - range.start, buffer.get());
        at = range.end;
    }
    sameBytes = sameBytes && copyBytes(in.get(), &writer, read.size - at, buffer.get()) &&
                std::fgetc(in.get()) == EOF;
    if (std::ferror(in.get()) != 0) {
        error = EIO;
        return SceneRewrite::Unreadable;
    }
    in.reset();  // Windows replaces no file that is open
    if (!sameBytes) return SceneRewrite::Changed;
    if (read.modifiedKnown) {
        std::error_code changed;
        if (std::filesystem::last_write_time(scene, changed) != read.modified || changed)
            return SceneRewrite::Changed;
    }
    errno = 0;
    if (writer.commit()) return SceneRewrite::Written;
    error = errno;
    return SceneRewrite::Unwritable;
}

}  // namespace tessaryn
