// The scene road run on one thread and on two: every road test that goes through it
// checks that both come to the same report and leave the same bytes in every file.
#pragma once

#include <string>
#include <vector>

#include "scene/scene_creases.h"

namespace testing_support {

// Runs `request` on one thread, notes the report and the bytes of `files`, puts `files`
// back as they were, runs it again with a second thread, and expects the same. Gives the
// second run's report; the files are left as it left them.
tessaryn::SceneCreaseReport writeSceneCreasesBothWays(tessaryn::SceneCreaseRequest request,
                                                      const std::vector<std::string>& files);

}  // namespace testing_support
