#include "scene/usd/usd_override_layer.h"

#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "base/safe_writer.h"
#include "scene/usd/usd_crease_statements.h"

namespace tessaryn {

namespace fs = std::filesystem;

namespace {

// One step of a prim path: a prim's name, or a variant selection {set=variant}.
struct PathStep {
    bool variant = false;
    std::string name;  // the prim's, or the variant set's
    std::string selection;
};

std::vector<PathStep> pathSteps(const std::string& path) {
    std::vector<PathStep> steps;
    std::size_t at = 0;
    while (at < path.size()) {
        if (path[at] == '/') {
            ++at;
            continue;
        }
        PathStep step;
        if (path[at] == '{') {
            const std::size_t close = path.find('}', at);
            const std::string inside = path.substr(at + 1, close - at - 1);
            const std::size_t equals = inside.find('=');
            step.variant = true;
            step.name = inside.substr(0, equals);
            step.selection = equals == std::string::npos ? "" : inside.substr(equals + 1);
            at = close == std::string::npos ? path.size() : close + 1;
        } else {
            const std::size_t end = path.find_first_of("/{", at);
            step.name = path.substr(at, end - at);
            at = end == std::string::npos ? path.size() : end;
        }
        steps.push_back(step);
    }
    return steps;
}

// `@path@`, or `@@@path@@@` for a path that holds an '@'.
std::string assetText(const std::string& path) {
    if (path.find('@') == std::string::npos) return "@" + path + "@";
    std::string out = "@@@";
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path.compare(i, 3, "@@@") == 0) out += '\\';
        out += path[i];
    }
    return out + "@@@";
}

}  // namespace

std::string usdQuoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            const char* const hex = "0123456789abcdef";
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 15];
            continue;
        }
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string sublayerAssetPath(const char* layerPath, const char* overPath) {
    std::error_code error;
    const fs::path layer = fs::absolute(fs::path(layerPath), error).lexically_normal();
    const fs::path folder =
        fs::absolute(fs::path(overPath), error).lexically_normal().parent_path();
    const fs::path relative = layer.lexically_relative(folder);
    if (relative.empty()) return layer.generic_string();
    const std::string text = relative.generic_string();
    return text.compare(0, 3, "../") == 0 ? text : "./" + text;
}

std::vector<OverLevel> overLevels(const std::string& path) {
    std::vector<OverLevel> levels;
    std::string owner;  // the path of the prim or variant the next level lies in
    for (const PathStep& step : pathSteps(path)) {
        if (step.variant) {
            const std::string set = owner + "{" + step.name + "=";
            levels.push_back({OverLevelKind::VariantSet, step.name, set});
            owner = set + step.selection + "}";
            levels.push_back({OverLevelKind::Variant, step.selection, owner});
        } else {
            owner += (owner.empty() || owner.back() != '}' ? "/" : "") + step.name;
            levels.push_back({OverLevelKind::Prim, step.name, owner});
        }
    }
    return levels;
}

void appendOverBlocks(std::string& text, const std::vector<OverLevel>& levels, std::size_t from,
                      std::string indent, const std::string& unit, const SceneNode& node,
                      const std::vector<PlannedCrease>& creases) {
    // One line: its indentation, its words, the layer's line ending.
    const auto line = [&](const std::string& at, std::initializer_list<std::string> words) {
        text += at;
        for (const std::string& word : words) text += word;
        text += node.lineEnding;
    };
    std::vector<std::string> closers;
    for (std::size_t i = from; i < levels.size(); ++i) {
        const OverLevel& level = levels[i];
        if (level.kind == OverLevelKind::VariantSet) {
            line(indent, {"variantSet ", usdQuoted(level.name), " = {"});
        } else if (level.kind == OverLevelKind::Variant) {
            line(indent, {usdQuoted(level.name), " {"});
        } else {
            line(indent, {"over ", usdQuoted(level.name)});
            line(indent, {"{"});
        }
        closers.push_back(indent);
        indent += unit;
    }
    SceneNode placed = node;
    placed.indent = indent;
    text += usdCreaseStatements(placed, creases);
    for (auto closer = closers.rbegin(); closer != closers.rend(); ++closer) line(*closer, {"}"});
}

std::string usdOverrideLayerText(const std::string& sublayerAsset, const SceneFacts& facts,
                                 const SceneNode& node, const std::vector<PlannedCrease>& creases) {
    std::string text;
    // One line: its indentation, its words, the layer's line ending.
    const auto line = [&](const std::string& indent, std::initializer_list<std::string> words) {
        text += indent;
        for (const std::string& word : words) text += word;
        text += node.lineEnding;
    };
    line("", {"#usda 1.0"});
    line("", {"("});
    for (const LayerMetadatum& entry : facts.rootMetadata)
        line("    ", {entry.name, " = ", entry.value});
    line("    ", {"subLayers = ["});
    line("        ", {assetText(sublayerAsset)});
    line("    ", {"]"});
    line("", {")"});
    line("", {});
    appendOverBlocks(text, overLevels(node.path), 0, std::string(), "    ", node, creases);
    return text;
}

bool overrideNamesTheLayer(const char* layerPath, const char* overPath) {
    std::error_code error;
    const fs::path layer = fs::absolute(fs::path(layerPath), error).lexically_normal();
    const fs::path over = fs::absolute(fs::path(overPath), error).lexically_normal();
    return layer == over || fs::equivalent(fs::path(layerPath), fs::path(overPath), error);
}

namespace {

bool isNameByte(unsigned char c, bool variant) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    if (c == '_' || c >= 0x80) return true;  // UTF-8 letters beyond ASCII
    return variant && (c == '-' || c == '|');
}

}  // namespace

bool isFitName(const std::string& name, bool variant) {
    if (name.empty()) return false;
    if (!variant && name[0] >= '0' && name[0] <= '9') return false;
    for (const char c : name) {
        if (!isNameByte(static_cast<unsigned char>(c), variant)) return false;
    }
    return true;
}

std::string unfitPrimPathName(const std::string& path) {
    // An empty name leaves an empty step ("/", "/a//b", "/a/"), which the steps skip.
    if (path.empty() || path.back() == '/' || path.find("//") != std::string::npos ||
        path.find("/{") != std::string::npos)
        return path;
    for (const PathStep& step : pathSteps(path)) {
        // An empty name is named by the path it stands in.
        if (!isFitName(step.name, false)) return step.name.empty() ? path : step.name;
        if (step.variant && !isFitName(step.selection, true))
            return step.selection.empty() ? path : step.selection;
    }
    // A name that holds a whole "{set=variant}" reads as fit steps here: a binary layer's
    // scanner checks its names as the file gave them (SceneNode::unfitName).
    return std::string();
}

SceneRefusal writeUsdOverrideLayer(const char* layerPath, const char* overPath,
                                   const SceneFacts& facts, const SceneNode& node,
                                   const std::vector<PlannedCrease>& creases,
                                   std::string& badName) {
    if (overrideNamesTheLayer(layerPath, overPath)) return SceneRefusal::OverIsTheLayer;
    badName = node.unfitName.empty() ? unfitPrimPathName(node.path) : node.unfitName;
    if (!badName.empty()) return SceneRefusal::BadName;
    const std::string text =
        usdOverrideLayerText(sublayerAssetPath(layerPath, overPath), facts, node, creases);
    SafeWriter writer;
    if (!writer.open(overPath)) return SceneRefusal::Unwritable;
    writer.write(text);
    return writer.commit() ? SceneRefusal::None : SceneRefusal::Unwritable;
}

}  // namespace tessaryn
