#pragma once

#include <string>

#include "tools/reply.h"

// Shows the Vyx file at `path` block by block (with --json, its blocks with their counts);
// 0 when it is well formed, else 1.
int dumpVyx(const std::string& path, tool::Reply& reply);
