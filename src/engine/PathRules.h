// Cutting paths: the file name of a path, the backup name, the extension.
// On POSIX "/" is the only delimiter ("\" and ":" are ordinary file-name
// characters there); on Windows "\", "/" and ":" all end a directory part.
#pragma once

#include <string>
#include <string_view>

namespace ExifData {

// The delimiters of the platform the engine is built for.
extern const std::string_view kPathDelimiters;

// The text after the last delimiter; the whole path when it holds none.
std::string FileNameOf(std::string_view path, std::string_view delimiters = kPathDelimiters);
// When the last full stop or delimiter is a full stop, the path up to it;
// otherwise the whole path. Then `ending` is appended.
std::string ReplaceExtension(std::string_view path, std::string_view ending,
                             std::string_view delimiters = kPathDelimiters);
// "a.jpg" -> "a_bak.jpg", always beside the input.
std::string BackupNameOf(std::string_view path, std::string_view delimiters = kPathDelimiters);
// The `number`th backup name: 1 gives "a_bak.jpg", 2 "a_bak_2.jpg", 3 "a_bak_3.jpg", ...
std::string BackupNameOf(std::string_view path, int number,
                         std::string_view delimiters = kPathDelimiters);

}  // namespace ExifData
