#include "scene/maya/maya_crease_statement.h"

#include <algorithm>
#include <cstdint>

#include "base/numbers.h"

namespace tessaryn {

std::string mayaCreaseStatements(const SceneNode& node, const std::vector<PlannedCrease>& creases) {
    std::vector<const PlannedCrease*> byEdge;
    byEdge.reserve(creases.size());
    for (const PlannedCrease& crease : creases) byEdge.push_back(&crease);
    std::sort(byEdge.begin(), byEdge.end(), [](const PlannedCrease* x, const PlannedCrease* y) {
        return x->element < y->element;
    });
    std::string text;
    if (node.creaseStatements.empty()) text = node.lineEnding + node.indent;
    text += "setAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge ";
    appendDecimal(text, static_cast<std::int64_t>(byEdge.size()));
    text += ' ';
    for (const PlannedCrease* crease : byEdge) {
        text += node.lineEnding;
        text += "\t\t";
        appendDecimal(text, crease->element);
        text += ' ';
        text += crease->value;
        text += ' ';
    }
    text += ';';
    return text;
}

}  // namespace tessaryn
