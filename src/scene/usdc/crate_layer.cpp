#include "scene/usdc/crate_layer.h"

#include "scene/usdc/crate_values.h"

namespace tessaryn {

namespace {

// Deeper namespaces than this are refused rather than followed.
constexpr unsigned kMaxDepth = 256;

const char* const kNumberFacts[] = {"metersPerUnit", "timeCodesPerSecond", "framesPerSecond",
                                    "startTimeCode", "endTimeCode"};

// The walk over the namespace: the file, the layer being filled, and the paths already
// entered (a damaged file may list a child twice).
struct PrimWalk {
    CrateFile file;
    CrateLayer& layer;
    std::vector<bool> entered;
};

const CrateSpec* specOf(const CrateTables& tables, std::uint32_t path) {
    if (path >= tables.specOfPath.size() || tables.specOfPath[path] == kNoIndex) return nullptr;
    return &tables.specs[tables.specOfPath[path]];
}

// The child path of `parent` whose element is the text `element`, or kNoIndex.
std::uint32_t childByText(const CrateTables& tables, std::uint32_t parent,
                          const std::string& element) {
    const auto token = tables.tokenIndex.find(element);
    if (token == tables.tokenIndex.end()) return kNoIndex;
    const auto child = tables.children.find(childKey(parent, token->second, false));
    return child == tables.children.end() ? kNoIndex : child->second;
}

// Reads `field` of `spec` with `read`; a missing field or one of another type is Absent.
template <typename Read, typename Value>
ValueRead readField(const CrateFile& file, const CrateSpec& spec, const char* field, Read read,
                    Value& value) {
    std::uint64_t rep = 0;
    if (!findField(file.tables, spec, field, rep)) return ValueRead::Absent;
    return read(file, rep, value);
}

CrateResult readMetadata(PrimWalk& walk, const CrateSpec& root) {
    CrateLayer& layer = walk.layer;
    for (const char* name : {"defaultPrim", "upAxis"}) {
        CrateFact fact{name, CrateFactKind::Token, {}, 0};
        const ValueRead read = readField(walk.file, root, name, readText, fact.token);
        if (read == ValueRead::Done) layer.metadata.push_back(fact);
        if (readFailed(read))
            return valueProblem(walk.file.source, read, std::string("the layer's ") + name);
    }
    for (const char* name : kNumberFacts) {
        CrateNumber number;
        const ValueRead read = readField(walk.file, root, name, readNumber, number);
        if (readFailed(read))
            return valueProblem(walk.file.source, read, std::string("the layer's ") + name);
        if (read != ValueRead::Done) continue;
        const CrateFactKind kind = number.kind == CrateNumberKind::Double  ? CrateFactKind::Double
                                   : number.kind == CrateNumberKind::Float ? CrateFactKind::Float
                                                                           : CrateFactKind::Int;
        layer.metadata.push_back({name, kind, {}, number.value});
    }
    std::vector<std::string> sublayers;
    // Dependencies are reported as far as they can be decoded; a damaged list is skipped.
    if (readField(walk.file, root, "subLayers", readStringVector, sublayers) == ValueRead::Done)
        for (std::string& path : sublayers)
            layer.assets.push_back({CrateAssetKind::Sublayer, std::move(path)});
    return {};
}

void addAssets(PrimWalk& walk, const CrateSpec& spec) {
    for (const char* field : {"references", "payload"}) {
        std::vector<std::string> paths;
        if (readField(walk.file, spec, field, readAssetPaths, paths) != ValueRead::Done) continue;
        const CrateAssetKind kind =
            field[0] == 'r' ? CrateAssetKind::Reference : CrateAssetKind::Payload;
        for (std::string& path : paths) walk.layer.assets.push_back({kind, std::move(path)});
    }
}

// The facts of a prim spec besides its path.
CrateResult describePrim(PrimWalk& walk, const CrateSpec& spec, CratePrim& prim) {
    const CrateFile& file = walk.file;
    unsigned specifier = 1;  // over, as a spec without specifier is read
    ValueRead read = readField(file, spec, "specifier", readSpecifier, specifier);
    if (readFailed(read))
        return valueProblem(file.source, read, "the specifier of " + prim.path);
    prim.specifier = static_cast<CrateSpecifier>(specifier);
    read = readField(file, spec, "typeName", readText, prim.typeName);
    if (readFailed(read))
        return valueProblem(file.source, read, "the type of " + prim.path);
    std::vector<std::pair<std::string, std::string>> selections;
    read = readField(file, spec, "variantSelection", readVariantSelections, selections);
    if (readFailed(read))
        return valueProblem(file.source, read, "the variant selection of " + prim.path);
    for (auto& selection : selections)
        prim.variantSelections.push_back({std::move(selection.first), std::move(selection.second)});
    read = readField(file, spec, "variantSetNames", readListOpTexts, prim.variantSetNames);
    if (readFailed(read))
        return valueProblem(file.source, read, "the variant sets of " + prim.path);
    addAssets(walk, spec);
    return {};
}

CrateResult walkChildren(PrimWalk& walk, std::uint32_t parent, const std::string& parentText,
                         const std::vector<CrateVariantStep>& steps, unsigned depth);

// A prim path's text: "/" then the names; no '/' after the root or a variant selection.
std::string childText(const std::string& parent, const std::string& name) {
    if (parent == "/" || (!parent.empty() && parent.back() == '}')) return parent + name;
    return parent + "/" + name;
}

CrateResult walkPrims(PrimWalk& walk, std::uint32_t parent, const CrateSpec& parentSpec,
                      const std::string& parentText, const std::vector<CrateVariantStep>& steps,
                      unsigned depth) {
    const CrateTables& tables = walk.file.tables;
    std::vector<std::uint32_t> names;
    const ValueRead read = readField(walk.file, parentSpec, "primChildren", readTokenVector, names);
    if (readFailed(read))
        return valueProblem(walk.file.source, read, "the children of " + parentText);
    // A listed name without spec, of another kind, or met before names no prim here.
    for (const std::uint32_t name : names) {
        const auto found = tables.children.find(childKey(parent, name, false));
        if (found == tables.children.end()) continue;  // a child without spec
        const std::uint32_t path = found->second;
        const CrateSpec* spec = specOf(tables, path);
        if (spec == nullptr || spec->type != static_cast<std::uint32_t>(CrateSpecType::Prim) ||
            walk.entered[path])
            continue;
        walk.entered[path] = true;
        CratePrim prim;
        prim.name = tables.tokens[name];
        prim.path = childText(parentText, prim.name);
        prim.variantSteps = steps;
        prim.pathIndex = path;
        CrateResult result = describePrim(walk, *spec, prim);
        if (!result.ok()) return result;
        const std::string text = prim.path;
        walk.layer.prims.push_back(std::move(prim));
        result = walkChildren(walk, path, text, steps, depth + 1);
        if (!result.ok()) return result;
    }
    return {};
}

// Each variant set of `parent` ("/P{set=}") lists its variants; the prims of variant v
// stand under "/P{set=v}".
CrateResult walkVariants(PrimWalk& walk, std::uint32_t parent, const CrateSpec& parentSpec,
                         const std::string& parentText, const std::vector<CrateVariantStep>& steps,
                         unsigned depth) {
    const CrateFile& file = walk.file;
    const CrateTables& tables = file.tables;
    std::vector<std::uint32_t> sets;
    ValueRead read = readField(file, parentSpec, "variantSetChildren", readTokenVector, sets);
    if (readFailed(read))
        return valueProblem(file.source, read, "the variant sets of " + parentText);
    for (const std::uint32_t setToken : sets) {
        const std::string& set = tables.tokens[setToken];
        const CrateSpec* setSpec = specOf(tables, childByText(tables, parent, "{" + set + "=}"));
        if (setSpec == nullptr || setSpec->type != static_cast<std::uint32_t>(CrateSpecType::VariantSet))
            continue;
        std::vector<std::uint32_t> variants;
        read = readField(file, *setSpec, "variantChildren", readTokenVector, variants);
        if (readFailed(read))
            return valueProblem(file.source, read, "the variants of " + parentText);
        for (const std::uint32_t variantToken : variants) {
            const std::string& variant = tables.tokens[variantToken];
            std::string element = "{";
            element.append(set).append("=").append(variant).append("}");
            const std::uint32_t path = childByText(tables, parent, element);
            const CrateSpec* spec = specOf(tables, path);
            if (spec == nullptr || spec->type != static_cast<std::uint32_t>(CrateSpecType::Variant) ||
                walk.entered[path])
                continue;
            walk.entered[path] = true;
            std::vector<CrateVariantStep> inner = steps;
            inner.push_back({set, variant});
            CrateResult result = walkChildren(walk, path, parentText + element, inner, depth + 1);
            if (!result.ok()) return result;
        }
    }
    return {};
}

// The prims under a prim or a variant: its children, then its variants' prims.
CrateResult walkChildren(PrimWalk& walk, std::uint32_t parent, const std::string& parentText,
                         const std::vector<CrateVariantStep>& steps, unsigned depth) {
    if (depth > kMaxDepth) return crateDamaged("the namespace, nested too deep");
    const CrateSpec* spec = specOf(walk.file.tables, parent);
    if (spec == nullptr) return {};
    CrateResult result = walkPrims(walk, parent, *spec, parentText, steps, depth);
    if (!result.ok()) return result;
    return walkVariants(walk, parent, *spec, parentText, steps, depth);
}

}  // namespace

CrateResult readCrateLayer(ByteSource& source, CrateLayer& layer) {
    layer = CrateLayer{};
    CrateResult result = readCrateTables(source, layer.tables, layer.warnings);
    layer.version = layer.tables.version;
    if (!result.ok()) return result;
    const CrateTables& tables = layer.tables;
    // The pseudo-root carries the layer's metadata and lists the root prims.
    const CrateSpec* root = nullptr;
    for (const CrateSpec& spec : tables.specs)
        if (spec.type == static_cast<std::uint32_t>(CrateSpecType::PseudoRoot)) root = &spec;
    if (root == nullptr || tables.paths[root->path].parent != kNoIndex)
        return crateDamaged("the layer's root");

    PrimWalk walk{CrateFile{source, tables}, layer, std::vector<bool>(tables.paths.size())};
    result = readMetadata(walk, *root);
    if (result.ok()) result = walkChildren(walk, root->path, "/", {}, 0);
    if (!result.ok()) {
        // Nothing half-read is handed on.
        const CrateVersion version = layer.version;
        layer = CrateLayer{};
        layer.version = version;
    }
    return result;
}

}  // namespace tessaryn
