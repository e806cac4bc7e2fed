#include "scene/maya/maya_dag_paths.h"

namespace tessaryn {

namespace {

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string MayaDagPaths::parentPath(std::string_view parent) const {
    if (parent.empty()) return std::string();
    if (parent.front() == '|') return std::string(parent);
    const std::size_t bar = parent.rfind('|');
    const std::string last(bar == std::string_view::npos ? parent : parent.substr(bar + 1));
    const auto found = pathsByName_.find(last);
    std::string tail = "|" + std::string(parent);
    if (found != pathsByName_.end()) {
        for (auto path = found->second.rbegin(); path != found->second.rend(); ++path) {
            if (endsWith(*path, tail)) return *path;
        }
    }
    // A parent the scene never created (a referenced file's node): taken as it is named.
    return tail;
}

std::string MayaDagPaths::add(std::string_view name, std::string_view parent) {
    std::string path = parentPath(parent) + "|" + std::string(name);
    if (!name.empty()) pathsByName_[std::string(name)].push_back(path);
    return path;
}

}  // namespace tessaryn
