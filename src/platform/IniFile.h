// Private-profile INI access: section and key names match without regard to
// case, lines of other sections stay byte for byte. Changes are kept in memory
// and written by Flush() in one atomic replace, so a failed write never leaves
// a half-written file.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace platform {

// A refused write: "Cannot write to <path>" in the user's language.
class EIniWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A write refused for safety: the settings file is reached through a link of
// another user, or its folder belongs to another user (root running with
// someone else's configuration folder). Nothing was written. Its text is one
// line that says so.
class EIniNotOwned : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TIniFile {
 public:
  // Opening touches nothing on disk; a missing file reads as empty.
  explicit TIniFile(std::string path);
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;
  // Drops unwritten changes.
  ~TIniFile();

  // The value text, or `fallback` when the section or the key is absent.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& fallback) const;
  // Removes the section with all its keys (no error when absent).
  void EraseSection(const std::string& section);
  // Sets the key, adding it at the end of the section; adds the section at the
  // end of the file when absent.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  // Writes the changes, if any, to disk; a file whose bytes would stay the
  // same is not written. Throws EIniWriteError, also when the file exists but
  // could not be read (its other sections would be lost), and EIniNotOwned
  // when the file or its folder is another user's.
  void Flush();

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string text_;
  bool dirty_ = false;
  // The file exists but could not be read: writing would drop its other sections.
  bool unreadable_ = false;
  // The file's bytes as last read or written; empty when it is absent.
  std::optional<std::string> onDisk_;
};

}  // namespace platform
