// Finds the root layer of a .usdz package: a zip whose entries are stored uncompressed,
// the first of them the layer the package opens as. The package is walked by its local
// headers from the start, as USD readers do; the central directory is not needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_source.h"
#include "scene/usdc/crate_result.h"

namespace tessaryn {

enum class UsdzLayerFormat { Crate, Text };

struct UsdzRootLayer {
    std::string name;  // the entry's path in the package, "cube.usdc"
    UsdzLayerFormat format = UsdzLayerFormat::Crate;
    std::uint64_t offset = 0;  // where its data lies in the package
    std::uint64_t size = 0;
    // MisalignedData when its data does not start on a 64-byte boundary (generic zip
    // tools write such packages, and they read all the same).
    std::vector<CrateWarning> warnings;
};

// Checks every entry (stored, unencrypted, sizes in its header, a name without '[' or
// ']', inside the package), then narrows `source` to the first entry's data, which must
// be a USD layer: crate (PXR-USDC) or text (#usda). On a refusal the source is left as
// it was.
CrateResult openUsdzRootLayer(ByteSource& source, UsdzRootLayer& root);

}  // namespace tessaryn
