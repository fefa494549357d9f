// One strip through the engine and the platform, for the library's C API.
// Everything the library knows of the engine and the platform lives behind
// this header (in Run.cpp); the C API and the Python module see only this.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace velmora_library {

struct TRemoved {
  uint16_t marker = 0;
  std::string kind;
  int64_t offset = 0;
  int64_t length = 0;
};

// What one run came to. `hasOutput`: a buffer run handed its output over.
struct TRunResult {
  velmora_outcome outcome = VELMORA_ERROR;
  std::string reason;
  std::vector<TRemoved> removed;
  std::vector<std::string> trace;
  std::string backupName;
  bool hasOutput = false;
};

// The program's defaults, from its settings table.
void DefaultOptions(velmora_options& options);
const char* VersionText();

// Gives room for `size` output bytes (never null; throws std::bad_alloc).
using TAllocate = std::function<uint8_t*(size_t size)>;

// The engine over `size` bytes at `in`; no file is touched. When the output
// may be written, `allocate` (if given) receives room for it, which is filled
// with the stripped bytes: one copy from the input.
TRunResult StripBuffer(const uint8_t* in, size_t size, const velmora_options& options,
                       bool wantTrace, const TAllocate& allocate);
// As the program strips one file: the engine, its backup when asked, the
// crash-safe save, the backup removed again when the save fails.
TRunResult StripFile(const std::string& path, const velmora_options& options, bool wantTrace);

}  // namespace velmora_library
