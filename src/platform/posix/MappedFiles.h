// Files of a MB or more are loaded by mapping them into memory: no copy on
// load, and the save then copies each kept byte once, from the page cache to
// the file.
//
// A mapped file can change underneath: when another program truncates it,
// touching the lost pages raises SIGBUS. The handler puts zero pages in place
// of that mapping and marks it changed, so the walk goes on over zeros and the
// save refuses to write from it. A fault outside our mappings goes on to the
// handler that was there before (or the default: the process ends).
//
// Smaller files are read into a buffer the thread keeps for the next file.
// Setting up a mapping and tearing it down (page tables, a flush of the
// processor's address cache) costs a fixed 100-400 microseconds a file on a
// virtual machine, more than reading a file of a MB; a batch of phone photos
// of 50-500 KB spent most of its system time there. Reading larger files
// costs more than mapping them: fresh memory faulted in, and a second copy
// that pushes the bytes out of the processor's cache before the search.
// Path not taken: a snapshot copy of the mapping (the copy and the mapping's
// cost together).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::posix {

// Files at least this large are mapped; smaller ones are read.
inline constexpr size_t kMapFrom = size_t{1} << 20;

// Maps `size` (> 0) bytes of the open file `fd` read-only. The owner unmaps
// them; nullptr when the file cannot be mapped (the caller reads it instead).
std::shared_ptr<const void> MapWholeFile(int fd, size_t size);

// True when `address` lies in a mapping whose file shrank while mapped.
bool MappingChanged(const void* address);

}  // namespace platform::posix
