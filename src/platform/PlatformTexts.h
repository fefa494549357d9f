// The fixed texts of the platform layer, and the helpers that fill them in.
// Both sides share them, so a save or load failure reads the same everywhere.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/Translation.h"

namespace platform {

// A file that cannot be opened for loading: absolute path, trimmed reason.
inline constexpr std::string_view kTextCannotOpen = Tx("Cannot open file %s. %s");
// A save whose file cannot be created or replaced: full path, trimmed reason.
inline constexpr std::string_view kTextCannotCreate = Tx("Cannot create file %s. %s");
// A save whose bytes cannot all be written: full path, trimmed reason.
inline constexpr std::string_view kTextCannotWrite = Tx("Cannot write to file %s. %s");
// A file that delivers fewer bytes than its size gives the engine's stream
// read error (ExifData::texts::kStreamReadError).
// A refused write of the settings file: its full path. No full stop; the
// general error report adds one.
inline constexpr std::string_view kTextIniCannotWrite = Tx("Cannot write to %s");
// Settings not written because the file or its folder belongs to another user:
// the full path of the settings file.
inline constexpr std::string_view kTextIniNotOwned =
    Tx("Settings not written: %s or its folder belongs to another user.");

// `format` in the chosen language (Tr) with each "%s" replaced by the next
// argument. Arguments are inserted literally: a "%s" inside a path is not
// expanded again.
std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args);

// The system's description of an error as it goes into a message: every
// character of code 32 or less and every full stop removed from its end
// (system texts end in ".", line breaks or blanks).
std::string TrimSystemReason(std::string_view reason);

}  // namespace platform
