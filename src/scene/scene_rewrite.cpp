#include "scene/scene_rewrite.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "base/safe_writer.h"

namespace tessaryn {

bool copySceneBytes(std::FILE* in, SafeWriter* out, std::uint64_t count, char* buffer) {
    while (count != 0) {
        const std::size_t want =
            count < kSceneCopyBlock ? static_cast<std::size_t>(count) : kSceneCopyBlock;
        const std::size_t got = std::fread(buffer, 1, want, in);
        if (out != nullptr) out->write(std::string_view(buffer, got));
        if (got < want) return false;
        count -= got;
    }
    return true;
}

SceneRefusal finishRewrite(std::FILE*& in, bool sameBytes, const std::string& scene,
                           const SceneStamp& read, SafeWriter& writer, int& error) {
    sameBytes = sameBytes && std::fgetc(in) == EOF;
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);  // Windows replaces no file that is open
    in = nullptr;
    if (readError) {
        error = EIO;
        return SceneRefusal::Unreadable;
    }
    if (!sameBytes) return SceneRefusal::SceneChanged;
    if (read.modifiedKnown) {
        std::error_code changed;
        if (std::filesystem::last_write_time(scene, changed) != read.modified || changed)
            return SceneRefusal::SceneChanged;
    }
    errno = 0;
    if (writer.commit()) return SceneRefusal::None;
    error = errno;
    return SceneRefusal::Unwritable;
}

SceneStamp stampScene(const std::string& path) {
    SceneStamp stamp;
    std::error_code error;
    stamp.modified = std::filesystem::last_write_time(path, error);
    stamp.modifiedKnown = !error;
    return stamp;
}

SceneRefusal rewriteScene(const std::string& scene, const std::string& destination,
                          const std::vector<ByteRange>& ranges, std::string_view text,
                          const SceneStamp& read, int& error) {
    error = 0;
    SafeWriter writer;
    errno = 0;
    if (!writer.open(destination.c_str())) {
        error = errno;
        return SceneRefusal::Unwritable;
    }
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(scene.c_str(), "rb"),
                                                       std::fclose);
    if (in == nullptr) {
        error = errno;
        return SceneRefusal::Unreadable;
    }
    std::unique_ptr<char[]> buffer(new char[kSceneCopyBlock]);
    // A scene shorter or longer than it was read, or saved again since, is left alone:
    // the ranges belong to the bytes that were read.
    bool sameBytes = true;
    std::uint64_t at = 0;
    for (std::size_t i = 0; i < ranges.size() && sameBytes; ++i) {
        const ByteRange& range = ranges[i];
        if (range.start < at || range.end < range.start || range.end > read.size)
            return SceneRefusal::SceneChanged;
        sameBytes = copySceneBytes(in.get(), &writer, range.start - at, buffer.get());
        if (i == 0) writer.write(text);
        sameBytes =
            sameBytes && copySceneBytes(in.get(), nullptr, range.end - range.start, buffer.get());
        at = range.end;
    }
    sameBytes = sameBytes && copySceneBytes(in.get(), &writer, read.size - at, buffer.get());
    std::FILE* file = in.release();
    return finishRewrite(file, sameBytes, scene, read, writer, error);
}

}  // namespace tessaryn
