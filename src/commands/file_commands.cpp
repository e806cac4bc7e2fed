// The OBJ line tools.
#include "commands/command_frame.h"
#include "objtools/smooth_to_groups.h"
#include "objtools/swap_vertices.h"

using namespace tessaryn;

TESSARYN_API SwapVertices(const char* text, double, char* buffer, int) {
    if (text == nullptr || buffer == nullptr) return TESSARYN_ARGUMENT_ABSENT;
    return runWorker([&] { return SwapVertexLines(text, buffer); });
}

TESSARYN_API SmoothtoGroupOBJ(const char* text, double, char* buffer, int) {
    if (text == nullptr || buffer == nullptr) return TESSARYN_ARGUMENT_ABSENT;
    return runWorker([&] { return ConvertSmoothingGroups(text, buffer); });
}
