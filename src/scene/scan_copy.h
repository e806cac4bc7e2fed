// Writes the rewritten scene while its scanner reads it, so that the disk takes the new
// file during the scan instead of after it, and each byte is read once.
//
// The copy works on a guess: the first node that may take the creases (the one asked
// for, when a node is named) is the one that will, and its statements go where the
// scanner places it. Nothing is written until the guessed node is placed: then the copy
// starts, the bytes the scanner has let go read from the scene again, and goes on as
// the scanner passes bytes. A guess that changes nothing in the scene itself starts no
// copy at all, so that a rerun in place writes nothing. After the scan the road compares
// the guess with what it decided; a copy that guessed wrong is thrown away unseen and the
// scene is copied again, as it would have been without this.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/safe_writer.h"
#include "scene/scan_watcher.h"
#include "scene/scene_facts.h"
#include "scene/scene_rewrite.h"

namespace tessaryn {

// The statements a placed node gets, and whether they change none of its creases.
struct GuessedStatements {
    std::string text;
    bool unchanged = false;
};

class ScanCopy final : public ScanWatcher {
public:
    // `statements` gives what a placed node's crease statements become; `wanted` is the
    // node asked for by path, path's tail or short name, or empty. `evenUnchanged`: the
    // copy goes elsewhere and is written even when the node's creases stay as they are.
    ScanCopy(std::string scene, std::string wanted, bool evenUnchanged,
             std::function<GuessedStatements(const SceneNode&)> statements);
    ScanCopy(const ScanCopy&) = delete;
    ScanCopy& operator=(const ScanCopy&) = delete;
    ~ScanCopy() override;

    // False when the copy cannot be made during the scan: the road then copies after it.
    // The destination is created only once the guessed node is placed.
    bool open(const std::string& destination);

    void passed(std::uint64_t offset, std::string_view bytes) override;
    void nodeOpened(const std::string& path, const std::string& name, std::uint64_t start) override;
    void nodePlaced(const SceneNode& node) override;

    // Whether the copy is the scene with `text` in place of the first of `ranges` of the
    // node at `path` and the others removed, as far as it has gone.
    bool guessed(const std::string& path, const std::vector<ByteRange>& ranges,
                 std::string_view text) const;
    // Copies the rest of the scene and moves the copy into place; as rewriteScene.
    SceneRefusal finish(const SceneStamp& read, int& error);

private:
    enum class State { Watching, Holding, Placed, Abandoned };

    void copyTo(std::uint64_t target, std::string_view bytes, std::uint64_t bytesEnd);
    void emit(std::uint64_t from, std::uint64_t to, std::string_view bytes, std::uint64_t bytesEnd);
    void copyFromScene(std::uint64_t from, std::uint64_t to);
    void closeScene();

    std::string scene_;
    std::string wanted_;
    bool evenUnchanged_;
    std::function<GuessedStatements(const SceneNode&)> statements_;
    std::string destination_;
    SafeWriter writer_;
    std::FILE* in_ = nullptr;  // the scene, for bytes no longer at the scanner's hand
    std::uint64_t inAt_ = 0;   // where in_ reads next
    std::unique_ptr<char[]> buffer_;
    State state_ = State::Abandoned;
    std::uint64_t copied_ = 0;  // the scene's bytes before this are in the copy
    std::string path_;          // the guessed node's
    std::vector<ByteRange> ranges_;
    std::string text_;
    bool textWritten_ = false;
    bool readFailed_ = false;  // the scene gave fewer bytes than asked, or an error
    bool readError_ = false;
};

}  // namespace tessaryn
