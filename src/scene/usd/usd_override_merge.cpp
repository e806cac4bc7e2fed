#include "scene/usd/usd_override_merge.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/file_system.h"
#include "base/line_reader.h"
#include "scene/scene_formats.h"
#include "scene/usd/usd_crease_statements.h"
#include "scene/usd/usd_layer_scanner.h"
#include "scene/usd/usd_override_layer.h"

namespace tessaryn {

namespace fs = std::filesystem;

namespace {

// What a file that is no USD text layer is, by the format its first bytes tell.
ForeignOverLayer foreignFormat(const SceneFormatEntry* format) {
    if (format == nullptr) return ForeignOverLayer::NotUsd;
    switch (format->format) {
        case SceneFormat::Maya:
            return format->refused == SceneRefusal::None ? ForeignOverLayer::MayaScene
                                                         : ForeignOverLayer::MayaBinary;
        case SceneFormat::Usdc:
            return ForeignOverLayer::UsdBinary;
        case SceneFormat::Usdz:
            return ForeignOverLayer::UsdPackage;
        case SceneFormat::Usd:
            break;
    }
    return ForeignOverLayer::None;
}

// Whether one of `sublayers`, relative to the folder of `overPath`, is the layer.
bool namesTheLayer(const std::vector<std::string>& sublayers, const std::string& overPath,
                   const std::string& layerPath) {
    std::error_code error;
    const fs::path folder = fs::absolute(fs::path(overPath), error).parent_path();
    for (const std::string& asset : sublayers) {
        const fs::path named(asset);
        const fs::path path = named.is_absolute() ? named : folder / named;
        if (sameFile(path.string(), layerPath)) return true;
    }
    return false;
}

}  // namespace

OverLayerReading readOverrideLayer(const std::string& layerPath, const std::string& overPath,
                                   const std::string& primPath, const CreaseEdgesAhead& creases) {
    OverLayerReading reading;
    for (const OverLevel& level : overLevels(primPath)) reading.outline.chain.push_back(level.key);
    LineReader layer;
    errno = 0;
    if (!layer.open(overPath.c_str())) {
        reading.refusal = SceneRefusal::Unreadable;
        reading.error = errno;
        return reading;
    }
    const SceneFormatEntry* format = sniffSceneFormat(layer.unread());
    reading.foreign = foreignFormat(format);
    if (reading.foreign == ForeignOverLayer::None) {
        const SceneFacts facts = scanUsdLayerOutline(layer, creases, reading.outline);
        reading.size = facts.size;
        if (facts.problem == SceneRefusal::Unreadable) {
            reading.refusal = SceneRefusal::Unreadable;
            reading.error = EIO;
            return reading;
        }
        if (facts.problem != SceneRefusal::None) {
            reading.foreign = ForeignOverLayer::Damaged;
            reading.line = facts.problemLine;
        } else if (reading.outline.sublayers.empty()) {
            reading.foreign = ForeignOverLayer::NoSublayers;
        } else if (!namesTheLayer(reading.outline.sublayers, overPath, layerPath)) {
            reading.foreign = ForeignOverLayer::OtherSublayers;
        }
    }
    if (reading.foreign != ForeignOverLayer::None) reading.refusal = SceneRefusal::OverLayerForeign;
    return reading;
}

LayerEdit overrideLayerEdit(const LayerOutline& outline, const std::string& primPath,
                            const std::vector<PlannedCrease>& creases, std::uint64_t layerSize) {
    LayerEdit edit;
    if (outline.tracked) {
        // The prim is there: its statements replaced, or new ones where they go.
        const SceneNode& prim = outline.prim;
        edit.ranges = prim.creaseStatements;
        if (edit.ranges.empty()) edit.ranges.push_back({prim.insertAt, prim.insertAt});
        edit.text = usdCreaseStatements(prim, creases);
        return edit;
    }
    // The blocks the way lacks, after the last it holds (or at the layer's end).
    const std::vector<OverLevel> levels = overLevels(primPath);
    const std::string unit = outline.indentUnit.empty() ? "    " : outline.indentUnit;
    SceneNode lines;
    lines.lineEnding = outline.lineEnding;
    const OutlineBlock* deepest = nullptr;
    std::size_t from = 0;
    for (std::size_t i = levels.size(); i-- > 0 && deepest == nullptr;) {
        for (const OutlineBlock& block : outline.blocks) {
            if (block.key != levels[i].key) continue;
            deepest = &block;
            from = i + 1;
            break;
        }
    }
    if (deepest == nullptr) {
        // A root prim of its own, a blank line apart (or on a line of its own where the
        // layer's last line has no line break).
        edit.ranges.push_back({layerSize, layerSize});
        edit.text = outline.lineEnding;
        appendOverBlocks(edit.text, levels, 0, std::string(), unit, lines, creases);
        return edit;
    }
    edit.ranges.push_back({deepest->closeAt, deepest->closeAt});
    if (!deepest->closeOnItsLine) edit.text = outline.lineEnding;
    appendOverBlocks(edit.text, levels, from, deepest->indent + unit, unit, lines, creases);
    if (!deepest->closeOnItsLine) edit.text += deepest->indent;
    return edit;
}

}  // namespace tessaryn
