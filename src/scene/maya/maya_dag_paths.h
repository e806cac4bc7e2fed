// The DAG paths of a Maya scene's nodes, from each node's name and the parent its
// createNode statement names with -p: "|group1|pCube1|pCubeShape1". Short names repeat
// under different parents; the path tells such nodes apart.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaryn {

class MayaDagPaths {
public:
    // Records a node and gives its path. `parent` is empty for a node at the root, else
    // a short name, a partial path ("pCube1|pCubeShape1") or a full one ("|group1|pCube1"),
    // naming a node created before: the latest one that fits.
    std::string add(std::string_view name, std::string_view parent);

private:
    std::string parentPath(std::string_view parent) const;

    std::unordered_map<std::string, std::vector<std::string>> pathsByName_;
};

}  // namespace tessaryn
