#include "scene/usd/usd_crease_statements.h"

#include <algorithm>
#include <utility>

#include "base/numbers.h"

namespace tessaryn {

std::string usdCreaseStatements(const SceneNode& node, const std::vector<PlannedCrease>& creases) {
    std::vector<const PlannedCrease*> ordered;
    ordered.reserve(creases.size());
    for (const PlannedCrease& crease : creases) ordered.push_back(&crease);
    const auto ends = [](const PlannedCrease* crease) {
        return std::minmax(crease->first, crease->second);
    };
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [&](const PlannedCrease* a, const PlannedCrease* b) { return ends(a) < ends(b); });

    std::string indices;
    std::string lengths;
    std::string sharpnesses;
    for (const PlannedCrease* crease : ordered) {
        const char* const separator = indices.empty() ? "" : ", ";
        indices += separator;
        appendDecimal(indices, ends(crease).first);
        indices += ", ";
        appendDecimal(indices, ends(crease).second);
        lengths += separator;
        lengths += '2';
        sharpnesses += separator;
        sharpnesses += crease->value;
    }
    std::string text;
    const auto line = [&](const char* head, const std::string& values) {
        text += node.indent;
        text += head;
        text += values;
        text += ']';
        text += node.lineEnding;
    };
    line("int[] creaseIndices = [", indices);
    line("int[] creaseLengths = [", lengths);
    line("float[] creaseSharpnesses = [", sharpnesses);
    return text;
}

}  // namespace tessaryn
