#include "scene/transfer_group_creases.h"

#include "crease/crease_edges.h"
#include "scene/host_scene.h"

namespace tessaryn {

WorkResult TransferGroupCreases(const char* objPath, const char* scenePath, char groupPrefix) {
    CreaseEdges creases;
    const Outcome collected = CollectCreaseEdges(objPath, groupPrefix, creases);
    if (collected != Outcome::Done) return collected;
    return RewriteSceneCreases(scenePath, creases);
}

}  // namespace tessaryn
