#include "scene/crease_plan.h"

#include "base/numbers.h"

namespace tessaryn {

namespace {

// Values are compared as the scanners read them, so that "10" and "10.0" are one value.
float valueOf(std::string_view text) {
    TextCursor cursor(text);
    float value = 0.0f;
    return readFloat(cursor, value) ? value : 0.0f;
}

}  // namespace

CreasePlan planCreases(const SceneNode& node, const CreaseEdgeSet& creases, std::string_view value,
                       bool smallerFirstOnly) {
    CreasePlan plan;
    const std::size_t count = creases.size();
    // Each crease edge's element and its crease now, by crease-edge index.
    std::vector<const CreaseHit*> hitOf(count, nullptr);
    for (const CreaseHit& hit : node.hits) {
        if (!smallerFirstOnly || hit.smallerFirst)
            hitOf[static_cast<std::size_t>(hit.creaseEdge)] = &hit;
    }
    std::vector<const NodeCrease*> creaseOf(count, nullptr);
    for (const NodeCrease& crease : node.creases) {
        ++plan.replaced;
        if (crease.creaseEdge == CreaseEdgeSet::kNotACreaseEdge) {
            ++plan.dropped;
        } else if (creaseOf[static_cast<std::size_t>(crease.creaseEdge)] == nullptr) {
            creaseOf[static_cast<std::size_t>(crease.creaseEdge)] = &crease;
        }
    }

    bool same = plan.dropped == 0;
    plan.creases.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const CreaseHit* hit = hitOf[i];
        if (hit == nullptr) {
            if (plan.missing++ == 0) plan.firstMissing = static_cast<std::int32_t>(i);
            continue;
        }
        const NodeCrease* now = creaseOf[i];
        PlannedCrease planned;
        const EdgeKey edge = creases.edge(static_cast<std::int32_t>(i));
        planned.first = static_cast<std::int32_t>(edge >> 32);
        planned.second = static_cast<std::int32_t>(edge & 0xFFFFFFFFu);
        planned.element = hit->element;
        planned.value = !value.empty()   ? std::string(value)
                        : now != nullptr ? now->text
                                         : std::string(kDefaultCreaseValue);
        const float wanted = valueOf(planned.value);
        const float carried = now != nullptr ? static_cast<float>(now->value) : 0.0f;
        if (now != nullptr && wanted == carried) ++plan.kept;
        same = same && wanted == carried;
        plan.creases.push_back(std::move(planned));
    }
    plan.unchanged = same && plan.missing == 0;
    return plan;
}

bool readCreaseValue(std::string_view text, std::string& written) {
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return false;
    if (point != std::string_view::npos && fraction.empty()) return false;
    for (std::string_view digits : {whole, fraction}) {
        for (char c : digits) {
            if (c < '0' || c > '9') return false;
        }
    }
    while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    written = whole.empty() ? "0" : std::string(whole);
    if (!fraction.empty()) written += "." + std::string(fraction);
    return true;
}

}  // namespace tessaryn
