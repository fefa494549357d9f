// One implementation for both platforms: the standard library's file system
// does all that is needed. Names are UTF-8 on both sides of it.
#include "platform/FolderWalk.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

fs::path fromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string toUtf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

bool jpegExtension(const fs::path& path) {
  static constexpr std::array<std::string_view, 4> kExtensions{".jpg", ".jpeg", ".jpe", ".jfif"};
  std::string ext = toUtf8(path.extension());
  std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return std::find(kExtensions.begin(), kExtensions.end(), ext) != kExtensions.end();
}

void walk(const fs::path& folder, std::vector<std::string>& found) {
  std::error_code error;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  if (error) {
    found.push_back(toUtf8(folder));
    return;
  }
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    const fs::file_status own = fs::symlink_status(entry, error);
    if (fs::is_directory(own)) {
      walk(entry, found);
    } else if (jpegExtension(entry) && fs::is_regular_file(entry, error)) {
      found.push_back(toUtf8(entry));  // a link to a file is taken as the file
    }
  }
}

}  // namespace

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(fromUtf8(path), error);
}

std::vector<std::string> JpegFilesUnder(const std::string& folder) {
  std::vector<std::string> found;
  walk(fromUtf8(folder), found);
  return found;
}

}  // namespace platform
