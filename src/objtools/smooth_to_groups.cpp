#include "objtools/smooth_to_groups.h"

#include <string>
#include <string_view>

#include "base/line_reader.h"
#include "base/safe_writer.h"
#include "base/obj_lines.h"

namespace tessaryn {

namespace {

constexpr std::string_view kHeader = "# Exported from Tessaryn plugin test version";
constexpr std::size_t kSmoothingTextLimit = 256;

}  // namespace

Outcome ConvertSmoothingGroups(const char* inputPath, const char* outputPath) {
    LineReader reader;
    if (!reader.open(inputPath)) return Outcome::Unreadable;
    SafeWriter writer;
    if (!writer.open(outputPath)) return Outcome::Unwritable;
    writer.writeLine(kHeader);
    std::string changed;
    std::string_view line;
    while (reader.next(line)) {
        switch (charAt(line, 0)) {
            case 'v':
                if (charAt(line, 1) == ' ') writer.writeLine(line);
                break;
            case 'g':
                changed.assign(1, '#').append(line.substr(1));
                writer.writeLine(changed);
                break;
            case 's':
                changed.assign("g ").append(line.substr(1, kSmoothingTextLimit));
                writer.writeLine(changed);
                break;
            default:
                writer.writeLine(line);
                break;
        }
    }
    // An input that cannot be read to its end is not converted at all: half a mesh
    // written over the output would lose the rest of it.
    if (reader.failed()) return Outcome::Unreadable;
    return writer.commit() ? Outcome::Done : Outcome::Unwritable;
}

}  // namespace tessaryn
