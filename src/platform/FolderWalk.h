// The JPEG files below a folder, for a run that walks the folders it is given.
#pragma once

#include <string>
#include <vector>

namespace platform {

// True when `path` names a folder (a symbolic link to one included).
bool IsFolder(const std::string& path);

// The files below `folder` whose extension is .jpg, .jpeg, .jpe or .jfif in
// any letter case, depth first, each folder's entries in byte order of their
// names. Symbolic links to folders are not followed; links to files are
// taken like files. A folder below that cannot be listed is returned in place
// of its files, so that the load of it fails and says why.
std::vector<std::string> JpegFilesUnder(const std::string& folder);

}  // namespace platform
