#include "scene/crease_plan.h"

#include <charconv>
#include <cmath>

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

namespace {

// A run of digits at `at`; answers how many.
std::size_t digitsAt(std::string_view text, std::size_t at) {
    std::size_t count = 0;
    while (at + count < text.size() && text[at + count] >= '0' && text[at + count] <= '9') ++count;
    return count;
}

// A decimal as people write one: digits with at most one point, a digit on at least one
// side of it, then an optional exponent ("10", ".5", "5.", "1e3", "2.5E-2"); no sign, no
// space, no "inf" or "nan", no hexadecimal.
bool isPlainDecimal(std::string_view text) {
    const std::size_t whole = digitsAt(text, 0);
    std::size_t at = whole;
    std::size_t fraction = 0;
    if (at < text.size() && text[at] == '.') {
        fraction = digitsAt(text, at + 1);
        at += 1 + fraction;
    }
    if (whole + fraction == 0) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        const std::size_t exponent = digitsAt(text, at);
        if (exponent == 0) return false;
        at += exponent;
    }
    return at == text.size();
}

}  // namespace

bool readCreaseValue(std::string_view text, std::string& written) {
    if (!isPlainDecimal(text)) return false;
    float value = 0.0f;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    // Out of range: the nearest float is 0 or infinite, neither of them a crease.
    const bool outOfRange = result.ec == std::errc::result_out_of_range;
    if (!outOfRange && (result.ec != std::errc() || result.ptr != text.data() + text.size()))
        return false;
    if (outOfRange || value == 0.0f || std::isinf(value)) {
        written = "0";
        return true;
    }
    written = shortestDecimal(value);
    return true;
}

}  // namespace tessaryn
