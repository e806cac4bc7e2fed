#include "scene/usdc/crate_refusal.h"

namespace tessaryn {

namespace {

SceneRefusal refusalOf(CrateProblem problem) {
    switch (problem) {
        case CrateProblem::None:
            return SceneRefusal::None;
        case CrateProblem::Unreadable:
            return SceneRefusal::Unreadable;
        case CrateProblem::UnsupportedVersion:
            return SceneRefusal::UsdVersion;
        case CrateProblem::CompressedEntry:
        case CrateProblem::NoLayerEntry:
        case CrateProblem::NotPackage:
            return SceneRefusal::UsdPackage;
        case CrateProblem::BadEntryName:
            return SceneRefusal::BadName;
        case CrateProblem::NotCrate:
        case CrateProblem::UnknownType:
        case CrateProblem::Damaged:
            break;
    }
    return SceneRefusal::UsdBinary;
}

// What a refused read says: the version for one, else what is damaged or unknown.
std::string damage(const CrateResult& result) {
    switch (result.problem) {
        case CrateProblem::UnsupportedVersion:
            return result.detail;
        case CrateProblem::NotCrate:
            return "its header is damaged";
        case CrateProblem::UnknownType:
            return "it holds a value of a type this tool does not know (" + result.detail + ")";
        default:
            break;
    }
    return (result.detail.empty() ? "the layer" : result.detail) + " is damaged";
}

}  // namespace

CrateRefusal layerRefusal(const CrateResult& result) {
    if (result.ok()) return {};
    return {refusalOf(result.problem), damage(result)};
}

CrateRefusal packageRefusal(const CrateResult& opened, const UsdzRootLayer& root) {
    switch (opened.problem) {
        case CrateProblem::None:
            break;
        case CrateProblem::Unreadable:
        case CrateProblem::BadEntryName:
            return {refusalOf(opened.problem), opened.detail};
        case CrateProblem::CompressedEntry:
            return {SceneRefusal::UsdPackage, "its entry " + opened.detail + " is compressed"};
        case CrateProblem::NoLayerEntry:
            return {SceneRefusal::UsdPackage, "its first entry is no USD layer"};
        default:
            return {SceneRefusal::UsdPackage,
                    (opened.detail.empty() ? "the package" : opened.detail) + " is damaged"};
    }
    // A package whose root layer is text would need the text scanner over a part of the
    // package; none has been seen, and it is refused as a package this build cannot read.
    if (root.format != UsdzLayerFormat::Crate)
        return {SceneRefusal::UsdPackage, "its layer " + root.name + " is text"};
    return {};
}

}  // namespace tessaryn
