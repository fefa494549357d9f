// Path rules: file name of a path, and an ending in place of the extension.
#include "PathRules.h"

#include "EngineTexts.h"

namespace ExifData {

// The engine makes no system calls, but a path's delimiters are the build
// target's: chosen here, so that no header carries the platform test.
#ifdef _WIN32
const std::string_view kPathDelimiters = "\\/:";
#else
const std::string_view kPathDelimiters = "/";
#endif

std::string FileNameOf(std::string_view path, std::string_view delimiters) {
  const size_t last = path.find_last_of(delimiters);
  if (last == std::string_view::npos) return std::string(path);
  return std::string(path.substr(last + 1));
}

std::string ReplaceExtension(std::string_view path, std::string_view ending,
                             std::string_view delimiters) {
  // Only a full stop after the last delimiter starts an extension, so a dotted
  // folder name ("my.pics/photo") is never taken for one.
  const std::string stops = std::string(delimiters) + ".";
  const size_t last = path.find_last_of(stops);
  std::string result(path);
  if (last != std::string_view::npos && path[last] == '.') result.resize(last);
  result += ending;
  return result;
}

std::string BackupNameOf(std::string_view path, std::string_view delimiters) {
  return ReplaceExtension(path, texts::kBackupEnding, delimiters);
}

std::string BackupNameOf(std::string_view path, int number, std::string_view delimiters) {
  if (number <= 1) return BackupNameOf(path, delimiters);
  return ReplaceExtension(path,
                          std::string(texts::kNumberedBackupStart) + std::to_string(number) +
                              std::string(texts::kNumberedBackupEnd),
                          delimiters);
}

}  // namespace ExifData
