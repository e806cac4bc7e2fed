// The scene rewrite of GetCreases on arbitrary scenes, with a fixed OBJ whose crease
// edges are the border of a square. A successful rewrite changes the last placeholder
// line and the line after it and nothing else; a failed one changes nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "scene/transfer_group_creases.h"
#include "commands/command_frame.h"
#include "fuzz_files.h"
#include "tessaryn.h"

using namespace fuzzing;

namespace {

bool holdsPlaceholder(const std::string& line) {
    return line.find("  \tsetAttr \".cd\"") != std::string::npos;
}

// The crease data line: blank, then "N 1000 " for ascending N, then " ;"; gives the pairs.
bool readDataLine(const std::string& line, long& pairs) {
    if (line.size() < 3 || line[0] != ' ' || line.compare(line.size() - 2, 2, " ;") != 0)
        return false;
    std::string body = line.substr(1, line.size() - 3);
    pairs = 0;
    long previous = -1;
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t blank = body.find(' ', at);
        if (blank == std::string::npos) return false;
        long index = std::stol(body.substr(at, blank - at));
        if (index <= previous || body.compare(blank, 6, " 1000 ") != 0) return false;
        previous = index;
        ++pairs;
        at = blank + 6;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string obj = path("square.obj");
    const std::string scene = path("scene.ma");
    writeBytes(obj, "g a\nf 1 2 3\nf 1 3 4\ng b\nf 5 6 7\n");
    writeBytes(scene, input);
    const float code =
        tessaryn::resultCode(tessaryn::TransferGroupCreases(obj.c_str(), scene.c_str(), 'g'));
    const std::string output = readBytes(scene);
    check(entryCount() == 2, "no temporary file is left");
    if (code != 2.0f) {
        check(code == TESSARYN_NO_PLACEHOLDER, "the only failure is a missing placeholder");
        check(output == input, "a failed call leaves the scene as it was");
        return 0;
    }
    const std::vector<std::string> in = linesOf(input);
    const std::vector<std::string> out = linesOf(output);
    std::size_t placeholder = in.size();
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (holdsPlaceholder(in[i])) placeholder = i;
    }
    check(placeholder < in.size(), "success needs a placeholder");
    const std::size_t dropped = placeholder + 1 < in.size() ? 2 : 1;
    check(out.size() == in.size() - dropped + 2, "two lines take the placeholder pair's place");
    for (std::size_t i = 0; i < placeholder; ++i)
        check(out[i] == in[i], "lines before it are unchanged");
    for (std::size_t i = placeholder + dropped; i < in.size(); ++i) {
        check(out[i - dropped + 2] == in[i], "lines after it are unchanged");
    }
    const std::string header = "  setAttr \".cd\" -type \"dataPolyComponent\" Index_Data Edge ";
    check(out[placeholder].compare(0, header.size(), header) == 0, "the crease header");
    long pairs = 0;
    check(readDataLine(out[placeholder + 1], pairs), "a well-formed crease data line");
    check(std::to_string(pairs) == out[placeholder].substr(header.size()),
          "the count is the pairs written");
    check(pairs <= 7, "at most the OBJ's seven crease edges");
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\n') check(i > 0 && output[i - 1] == '\r', "every line break is CR LF");
    }
    return 0;
}
