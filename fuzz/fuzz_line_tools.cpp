// The two OBJ line tools on arbitrary OBJ text. SmoothtoGroupOBJ keeps every line it
// must keep, in order; SwapVertices either rewrites the target as header, source
// positions and the target's other lines, or leaves it exactly as it was.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "objtools/smooth_to_groups.h"
#include "objtools/swap_vertices.h"
#include "tessaryn.h"

using namespace fuzzing;

namespace {

char at(const std::string& line, std::size_t i) {
    return i < line.size() ? line[i] : '\0';
}
bool isPosition(const std::string& line) {
    return at(line, 0) == 'v' && at(line, 1) == ' ';
}

void checkSmoothing(const std::string& input) {
    const std::string in = path("in.obj");
    const std::string out = path("out.obj");
    writeBytes(in, input);
    check(tessaryn::ConvertSmoothingGroups(in.c_str(), out.c_str()) == tessaryn::Outcome::Done,
          "conversion succeeds");
    const std::vector<std::string> source = linesOf(input);
    const std::vector<std::string> result = linesOf(readBytes(out));
    check(!result.empty() && result[0] == "# Exported from Tessaryn plugin test version",
          "the header line");
    std::size_t next = 1;
    for (const std::string& line : source) {
        const char c0 = at(line, 0);
        if (c0 == 'v' && !isPosition(line)) continue;  // dropped
        check(next < result.size(), "every kept line is written");
        const std::string& written = result[next++];
        if (c0 == 'g') {
            check(written == "#" + line.substr(1), "a group line becomes a comment");
        } else if (c0 == 's') {
            check(written == "g " + line.substr(1, 256), "a smoothing group becomes a group");
        } else {
            check(written == line, "any other line is copied unchanged");
        }
    }
    check(next == result.size(), "nothing else is written");
}

void checkSwap(const std::string& sourceText, const std::string& targetText) {
    const std::string source = path("source.obj");
    const std::string target = path("target.obj");
    writeBytes(source, sourceText);
    writeBytes(target, targetText);
    const bool swapped =
        tessaryn::SwapVertexLines(source.c_str(), target.c_str()) == tessaryn::Outcome::Done;
    const std::string result = readBytes(target);
    if (!swapped) {
        check(result == targetText, "a refused swap leaves the target as it was");
        return;
    }
    std::vector<std::string> expected = {"# written by Gimbalist plugin for Modelvex"};
    for (const std::string& line : linesOf(sourceText)) {
        if (isPosition(line)) expected.push_back(line);
    }
    for (const std::string& line : linesOf(targetText)) {
        if (!isPosition(line) && at(line, 0) != '#') expected.push_back(line);
    }
    check(linesOf(result) == expected, "header, source positions, target's other lines");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    checkSmoothing(input);
    // The input as the target of a source with as many positions, and as the source.
    std::string source;
    for (const std::string& line : linesOf(input)) {
        if (isPosition(line)) source += "v 1 2 3\n";
    }
    checkSwap(source, input);
    checkSwap(input, "v 0 0 0\nv 1 1 1\nf 1 2\n");
    check(entryCount() == 4, "no temporary file is left");
    return 0;
}
