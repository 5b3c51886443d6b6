#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace fendrel {

// The size of a file in bytes; 0 when it cannot be told (the reading then
// reports why).
std::int64_t FileSize(const std::string& path);

// The memory the system can still give without swapping, from the kernel's
// own estimate; empty where it does not say.
std::optional<std::int64_t> AvailableMemory();

// What opening a file of `bytes` needs at least: its text, the series it
// becomes, the packet and the views' copies of the values.
std::int64_t MemoryToOpen(std::int64_t bytes);

// Refuses, before reading it, a file whose series cannot fit in the memory
// left: "Cannot open file "<path>". It needs about N MB of memory, but only
// M MB are available".
void CheckRoomToRead(const std::string& path);

}  // namespace fendrel
