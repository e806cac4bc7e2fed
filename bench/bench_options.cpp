#include "bench_options.h"

#include <cerrno>
#include <cstdlib>

namespace bench {

const char* const kUsage =
    "usage: tessaryn_bench [--sizes N,N,...] [--runs N] [--work DIR] [--x86 BUILD]\n"
    "                      [--only PREFIX]\n"
    "\n"
    "Times every file command of the library on generated tori of about N quads each\n"
    "(default 250000,1000000,4000000), each call in a process of its own, against cat of\n"
    "the same inputs and against the durable floor: the inputs read, as many bytes as the\n"
    "command wrote written beside its destination, synced and renamed over it. Each side\n"
    "runs N times (default 5), alternating; the ratios are the best run's of each side.\n"
    "\n"
    "  --work DIR   generate and keep the meshes in DIR (reused by later runs); without\n"
    "               it a temporary folder is used and removed at the end\n"
    "  --only PREFIX  only the rows whose command starts with PREFIX (\"obj\", \"creases\")\n"
    "  --x86 BUILD  also run the 32-bit build in BUILD under qemu-i386 on the largest mesh\n"
    "  --help, -h   this text\n";

namespace {

// A whole decimal number in [lowest, highest], nothing else.
bool readNumber(const std::string& text, long lowest, long highest, long& value) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= lowest && value <= highest;
}

bool readSizes(const std::string& list, std::vector<long>& sizes) {
    sizes.clear();
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type comma = list.find(',', start);
        long quads = 0;
        if (!readNumber(list.substr(start, comma - start), 1, 100000000, quads)) return false;
        sizes.push_back(quads);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

}  // namespace

bool parseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& flag = arguments[i];
        if (flag == "--help" || flag == "-h") {
            options.help = true;
            continue;
        }
        if (flag != "--sizes" && flag != "--runs" && flag != "--work" && flag != "--x86" &&
            flag != "--only") {
            error = "unknown option " + flag;
            return false;
        }
        if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
            error = "missing value for " + flag;
            return false;
        }
        const std::string& value = arguments[++i];
        long runs = 0;
        if (flag == "--sizes" && !readSizes(value, options.sizes)) {
            error = "bad --sizes " + value +
                    ": whole numbers of quads from 1 to 100000000, "
                    "separated by commas";
            return false;
        }
        if (flag == "--runs") {
            if (!readNumber(value, 1, 100, runs)) {
                error = "bad --runs " + value + ": a whole number from 1 to 100";
                return false;
            }
            options.runs = static_cast<int>(runs);
        }
        if (flag == "--work") options.work = value;
        if (flag == "--x86") options.x86 = value;
        if (flag == "--only") options.only = value;
    }
    return true;
}

}  // namespace bench
