#include "platform/StandardStreams.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace platform {

bool ReadStandardInput(std::vector<uint8_t>& into) {
  into.clear();
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return false;
  constexpr DWORD kStep = DWORD{1} << 16;
  for (;;) {
    const size_t at = into.size();
    into.resize(at + kStep);
    DWORD got = 0;
    const BOOL ok = ReadFile(input, into.data() + at, kStep, &got, nullptr);
    into.resize(at + got);
    // A pipe whose writer has gone ends the input.
    if (!ok) return GetLastError() == ERROR_BROKEN_PIPE;
    if (got == 0) return true;
  }
}

bool WriteStandardOutput(const ExifData::TBytePieces& pieces) {
  std::fflush(stdout);
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
  for (const std::span<const uint8_t> piece : pieces) {
    for (size_t done = 0; done < piece.size();) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(piece.size() - done, 1U << 20));
      DWORD wrote = 0;
      if (!WriteFile(output, piece.data() + done, chunk, &wrote, nullptr) || wrote == 0)
        return false;
      done += wrote;
    }
  }
  return true;
}

void AttachParentConsole() {
  // A console program has its console already; so has one whose handles
  // the parent redirected to files or pipes.
  if (GetConsoleWindow() != nullptr) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  const auto reopen = [](DWORD which, FILE* stream, const char* mode) {
    const HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) return;
    FILE* ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", mode, stream);
  };
  reopen(STD_OUTPUT_HANDLE, stdout, "w");
  reopen(STD_ERROR_HANDLE, stderr, "w");
}

}  // namespace platform
