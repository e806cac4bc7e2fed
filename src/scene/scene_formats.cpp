#include "scene/scene_formats.h"

#include "scene/maya/maya_crease_statement.h"
#include "scene/maya/maya_scene_scanner.h"
#include "scene/usd/usd_crease_statements.h"
#include "scene/usd/usd_layer_scanner.h"

namespace tessaryn {

namespace {

// Maya's scanner reads lines and tells nothing as it goes: its copy is made after the scan.
SceneFacts scanMayaLines(LineReader& scene, const CreaseEdgeSet& creases, ScanWatcher*) {
    return scanMayaScene(scene, creases);
}

const SceneFormatEntry kReadable[] = {
    {SceneFormat::Maya, "//Maya ASCII", scanMayaLines, mayaCreaseStatements, false},
    {SceneFormat::Usd, "#usda", scanUsdLayer, usdCreaseStatements, true},
};

// Binary forms are told before any text is parsed: they may hold no line break at all.
struct RefusedForm {
    std::string_view header;
    SceneProblem problem;
};
const RefusedForm kRefused[] = {
    {"FOR4", SceneProblem::MayaBinary},
    {"FOR8", SceneProblem::MayaBinary},
    {"PXR-USDC", SceneProblem::UsdBinary},
    {std::string_view("PK\x03\x04", 4), SceneProblem::UsdPackage},
};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

const SceneFormatEntry* sniffSceneFormat(std::string_view head, SceneProblem& problem) {
    for (const SceneFormatEntry& entry : kReadable) {
        if (startsWith(head, entry.header)) {
            problem = SceneProblem::None;
            return &entry;
        }
    }
    problem = SceneProblem::UnknownFormat;
    for (const RefusedForm& form : kRefused) {
        if (startsWith(head, form.header)) problem = form.problem;
    }
    return nullptr;
}

bool startsAsScene(std::string_view head) {
    SceneProblem problem = SceneProblem::None;
    return sniffSceneFormat(head, problem) != nullptr || problem != SceneProblem::UnknownFormat;
}

}  // namespace tessaryn
