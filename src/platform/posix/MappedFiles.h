// Large files are loaded by mapping them into memory: no copy on load, and
// the save then copies each kept byte once, from the page cache to the file.
//
// A mapped file can change underneath: when another program truncates it,
// touching the lost pages raises SIGBUS. The handler puts zero pages in place
// of that mapping and marks it changed, so the walk goes on over zeros and the
// save refuses to write from it. A fault outside our mappings goes on to the
// handler that was there before (or the default: the process ends).
//
// Paths not taken: read() into a buffer (a second copy of every byte, about
// as costly as the save's own write); a snapshot copy of the mapping (the
// same copy again).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::posix {

// Files at least this large are mapped; smaller ones are read.
inline constexpr size_t kMapFrom = size_t{64} * 1024;

// Maps `size` (> 0) bytes of the open file `fd` read-only. The owner unmaps
// them; nullptr when the file cannot be mapped (the caller reads it instead).
std::shared_ptr<const void> MapWholeFile(int fd, size_t size);

// True when `address` lies in a mapping whose file shrank while mapped.
bool MappingChanged(const void* address);

}  // namespace platform::posix
