// What the crate reader's tests share: the real files, a whole read of a layer or package
// from memory as a host would do it (layer, then every mesh), summed up as text rows, and
// a tiny writer of stored zip packages and LZ4 blocks for hand-made inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/usdc/crate_layer.h"

namespace usdc_testing {

// The crate files and packages in tests/real/usdc.
const std::vector<std::string>& realFiles();
std::string realBytes(const std::string& name);

// A read of every part of `bytes`: the package (when it starts with "PK"), the layer, each
// Mesh prim that is no class.
struct WholeRead {
    tessaryn::CrateResult result;
    tessaryn::CrateLayer layer;
    std::vector<std::string> meshes;  // meshSummary of each mesh read
    std::uint64_t largestArray = 0;   // the most elements any mesh array held
};
// The bytes are copied into an allocation of their own, so that the address sanitizer
// sees any read past their end.
WholeRead readWhole(const std::string& bytes);

// "path type specifier: points N[ sampled] faces N indices N[ sampled] creases I/L/S scheme X"
std::string meshSummary(const tessaryn::CratePrim& prim, const tessaryn::CrateMesh& mesh);
// "name=value" words; a float prefixed "f", an int "i".
std::string metadataSummary(const tessaryn::CrateLayer& layer);

// A literal-only LZ4 block holding `bytes`.
std::string lz4Literals(const std::string& bytes);
// A package of stored entries (name, data), each data 64-byte aligned unless `misalign`.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries,
                      bool misalign = false, std::uint16_t method = 0);

}  // namespace usdc_testing
