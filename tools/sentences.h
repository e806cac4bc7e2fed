// What the tool says: the sentences for the reports of the core's crease road and of a
// refused vertex swap, and the refusal kinds of --json. The core reports outcomes and
// facts; only this file phrases them.
#pragma once

#include <string>

#include "objtools/swap_vertices.h"
#include "scene/scene_creases.h"

namespace tool {

// What a `creases` run was asked, as the user wrote it.
struct CreaseRun {
    std::string obj;
    std::string scene;
    std::string out;
    std::string node;  // --node (or --prim) as given
    std::string over;  // --over as given
    bool smoothing = false;
    bool valueGiven = false;
    bool dryRun = false;
    std::string library;  // the library that could not be loaded, and why
    std::string libraryError;
};

// The report as one sentence (a refusal ends "; nothing changed").
std::string creaseSentence(const tessaryn::SceneCreaseReport& report, const CreaseRun& run);

// The refusal kind --json gives, such as "edges-not-in-node"; null for Done.
const char* refusalKind(tessaryn::SceneCreaseOutcome outcome);

// The file a failure concerns and the system's reason: "a.obj (No such file or
// directory)". The error number when the core has one, else the file asked again: by
// `why` when given, else as a file to read or to write.
std::string fileAndReason(const std::string& path, int error, bool writing,
                          std::string (*why)(const std::string&) = nullptr);

// "not swapped: a.obj has 8 vertex positions, b.obj has 7 vertex positions: the counts
// differ; nothing changed".
std::string swapSentence(const std::string& source, const tessaryn::SwapLineCounts& from,
                         const std::string& target, const tessaryn::SwapLineCounts& to,
                         tessaryn::SwapRefusal refusal);

}  // namespace tool
