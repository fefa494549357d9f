// Standard input and output as byte streams, for a run that filters one
// picture from one to the other, and the console of a program started from
// one on a platform that gives a windowed program none of its own.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/StripOutput.h"

namespace platform {

// Reads standard input to its end, untranslated. False on a read error.
bool ReadStandardInput(std::vector<uint8_t>& into);
// Writes the pieces to standard output, untranslated. False on a write error.
bool WriteStandardOutput(const ExifData::TBytePieces& pieces);

// Windows: a program built for the window has no console; one started from
// a console (cmd.exe, PowerShell) attaches to it, so that its text appears
// there. Standard handles the parent redirected stay as they are. POSIX:
// nothing to do.
void AttachParentConsole();

}  // namespace platform
