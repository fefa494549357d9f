// The per-user folder under which the settings folder lives.
#pragma once

#include <string>

namespace platform {

// The per-user application-data folder: CSIDL_APPDATA's value. Named apart from
// it because <shlobj.h> defines CSIDL_APPDATA as a macro.
inline constexpr int kFolderAppData = 26;

// Path of the special folder `nFolder` (only kFolderAppData is used). POSIX:
// $XDG_CONFIG_HOME, else $HOME/.config. Empty when it cannot be told.
std::string SpecialFolderPath(int nFolder);

// Folder tests and creation as the settings writer needs them.
// True when a folder exists at `path`, and also when the path cannot be looked
// at for a reason other than its absence (so that the write is then attempted).
bool FolderExists(const std::string& path);
// Creates the folder, and first the missing folders above it, each private
// to the user. True when the folder itself was made.
bool CreateFolder(const std::string& path);

// The platform's directory separator, appended after folder names.
#ifdef _WIN32
inline constexpr char kDirSeparator = '\\';
#else
inline constexpr char kDirSeparator = '/';
#endif

}  // namespace platform
