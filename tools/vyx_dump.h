#pragma once

#include <string>

// Prints the Vyx file at `path` block by block; 0 when it is well formed, else 1.
int dumpVyx(const std::string& path);
