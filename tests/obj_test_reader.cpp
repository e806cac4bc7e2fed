#include "obj_test_reader.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace obj_testing {

namespace {

bool readNumbers(std::istringstream& in, std::vector<double>& into, int count) {
    for (int i = 0; i < count; ++i) {
        std::string word;
        if (!(in >> word)) return false;
        char* end = nullptr;
        const double value = std::strtod(word.c_str(), &end);
        if (*end != '\0' || !std::isfinite(value)) return false;
        into.push_back(value);
    }
    std::string more;
    return !(in >> more);
}

// The run (group) a face falls in: `parts` runs of about equal length.
std::size_t partOf(std::size_t face, std::size_t faces, std::size_t parts) {
    return face * parts / faces;
}

}  // namespace

ReadObj readObj(const std::string& text) {
    ReadObj obj;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        ++obj.lines;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream in(line);
        std::string kind;
        in >> kind;
        bool read = true;
        if (line.empty()) {
        } else if (line[0] == '#') {
            obj.comments.push_back(line);
        } else if (kind == "v") {
            read = readNumbers(in, obj.positions, 3);
        } else if (kind == "vt") {
            read = readNumbers(in, obj.uvs, 2);
        } else if (kind == "g" || kind == "o" || kind == "s") {
            ++obj.groupLines;
        } else if (kind == "f") {
            std::vector<std::int64_t> face;
            std::vector<std::int64_t> uvs;
            std::string corner;
            while (in >> corner) {
                const std::size_t slash = corner.find('/');
                face.push_back(std::atoll(corner.substr(0, slash).c_str()));
                if (slash != std::string::npos)
                    uvs.push_back(std::atoll(corner.substr(slash + 1).c_str()));
            }
            read = face.size() >= 3 && (uvs.empty() || uvs.size() == face.size());
            for (const std::int64_t v : face)
                read = read && v >= 1 && v <= static_cast<std::int64_t>(obj.positions.size() / 3);
            for (const std::int64_t t : uvs)
                read = read && t >= 1 && t <= static_cast<std::int64_t>(obj.uvs.size() / 2);
            obj.faces.push_back(face);
            obj.faceUvs.push_back(uvs);
        } else {
            read = false;
        }
        if (!read) obj.problems.push_back(line);
    }
    return obj;
}

std::string withGroups(const std::string& text, std::size_t parts) {
    std::size_t faces = 0;
    for (std::size_t at = text.find("\nf "); at != std::string::npos; at = text.find("\nf ", at + 1))
        ++faces;
    std::istringstream lines(text);
    std::string out;
    std::string line;
    std::size_t face = 0;
    std::size_t part = parts;  // none yet
    while (std::getline(lines, line)) {
        if (line.compare(0, 2, "f ") == 0) {
            const std::size_t now = partOf(face++, faces, parts);
            if (now != part) out += "g part" + std::to_string(now) + "\n";
            part = now;
        }
        out += line + "\n";
    }
    return out;
}

std::set<std::pair<std::int64_t, std::int64_t>> groupBorderEdges(
    const std::vector<std::vector<std::int64_t>>& faces, std::size_t parts) {
    std::map<std::pair<std::size_t, std::pair<std::int64_t, std::int64_t>>, int> uses;
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const std::vector<std::int64_t>& face = faces[f];
        for (std::size_t k = 0; k < face.size(); ++k) {
            std::int64_t a = face[k] - 1;
            std::int64_t b = face[(k + 1) % face.size()] - 1;
            if (a > b) std::swap(a, b);
            ++uses[{partOf(f, faces.size(), parts), {a, b}}];
        }
    }
    std::set<std::pair<std::int64_t, std::int64_t>> edges;
    for (const auto& use : uses) {
        if (use.second % 2 == 1 && use.first.second.first != use.first.second.second)
            edges.insert(use.first.second);
    }
    return edges;
}

}  // namespace obj_testing
