#include "scene/scene_formats.h"

#include "scene/maya/maya_crease_statement.h"
#include "scene/maya/maya_mesh_reader.h"
#include "scene/maya/maya_scene_scanner.h"
#include "scene/usd/usd_crease_statements.h"
#include "scene/usd/usd_layer_scanner.h"
#include "scene/usdc/crate_mesh_reader.h"
#include "scene/usd/usd_mesh_reader.h"
#include "scene/usdc/usdc_scanner.h"

namespace tessaryn {

namespace {

// Maya's scanner reads lines and tells nothing as it goes: its copy is made after the scan.
SceneFacts scanMayaLines(LineReader& scene, const CreaseEdgesAhead& creases, ScanWatcher*) {
    return scanMayaScene(scene, creases);
}

// Binary forms are told before any text is parsed: they may hold no line break at all.
const SceneFormatEntry kFormats[] = {
    {SceneFormat::Maya, SceneRefusal::None, "//Maya ASCII", scanMayaLines, nullptr,
     mayaCreaseStatements, true, false, false, false, readMayaMesh, scanMayaScenePassingEdges},
    {SceneFormat::Maya, SceneRefusal::MayaBinary, "FOR4", nullptr, nullptr, nullptr, false, false,
     false, false, nullptr, nullptr},
    {SceneFormat::Maya, SceneRefusal::MayaBinary, "FOR8", nullptr, nullptr, nullptr, false, false,
     false, false, nullptr, nullptr},
    {SceneFormat::Usd, SceneRefusal::None, "#usda", scanUsdLayer, nullptr, usdCreaseStatements,
     true, true, true, true, readUsdMesh, scanUsdLayerPassingFaces},
    {SceneFormat::Usdc, SceneRefusal::None, "PXR-USDC", nullptr, scanCrateLayer,
     usdCreaseStatements, false, true, true, false, readCrateLayerMesh, nullptr},
    {SceneFormat::Usdz, SceneRefusal::None, std::string_view("PK\x03\x04", 4), nullptr,
     scanUsdzPackage, usdCreaseStatements, false, true, true, false, readUsdzPackageMesh, nullptr},
};

}  // namespace

const SceneFormatEntry* sniffSceneFormat(std::string_view head) {
    for (const SceneFormatEntry& entry : kFormats) {
        if (head.compare(0, entry.header.size(), entry.header) == 0) return &entry;
    }
    return nullptr;
}

}  // namespace tessaryn
