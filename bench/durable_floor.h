// The durable floor of a command that writes a file: what the system needs merely to
// read the command's inputs and put as many bytes as it wrote durably in place of its
// destination, as the library does it (written beside the destination, synced, renamed
// over it, the folder synced). No command can do less and keep its promise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// Reads every input to its end, then writes `bytes` bytes (the inputs' own bytes over
// and over) to `destination`. False, with what went wrong in `error`, on any failure.
bool writeDurableFloor(const std::vector<std::string>& inputs, const std::string& destination,
                       std::uint64_t bytes, std::string& error);

}  // namespace bench
