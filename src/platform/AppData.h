// The per-user folder under which the settings folder lives.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The per-user folder for application data. POSIX: $XDG_CONFIG_HOME, else
// $HOME/.config. Empty when it cannot be told.
std::string AppDataFolder();

// The path of the folder `name` inside `base`, ending in the platform's
// separator; a separator is put between them unless `base` ends in one.
std::string SubfolderPath(std::string_view base, std::string_view name);

// Folder tests and creation as the settings writer needs them.
// True when a folder exists at `path`, and also when the path cannot be looked
// at for a reason other than its absence (so that the write is then attempted).
bool FolderExists(const std::string& path);
// Creates the folder, and first the missing folders above it, each private
// to the user. True when the folder itself was made.
bool CreateFolder(const std::string& path);

}  // namespace platform
