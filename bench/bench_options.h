// The benchmark's command line.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct Options {
    std::vector<long> sizes = {250000, 1000000, 4000000};  // quads, rounded up to a torus
    int runs = 5;      // of each side: command, cat, durable floor
    std::string work;  // kept when given; else a temporary folder, removed at the end
    std::string x86;   // a 32-bit build folder, run under qemu-i386
    std::string only;  // only the rows whose command starts with it; empty: every row
    bool help = false;
};

extern const char* const kUsage;

// Fills `options` from the arguments after the program's name. False, with what is
// wrong in `error`, for an unknown option, a missing value or a bad number.
bool parseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error);

}  // namespace bench
