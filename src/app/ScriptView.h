// The console view of a run with switches: the log as the console shows it,
// or instead one check line or one JSON object per file, and the closing
// line or summary object that scripts read.
#pragma once

#include <iosfwd>
#include <string>

#include "app/ConsoleView.h"

namespace app {

class TFormMain;

struct TScriptOutput {
  bool check = false;  // a line per file on what would go; nothing is written
  bool json = false;   // a JSON object per file and a summary object
  bool quiet = false;  // no trace lines (a check: lines of clean files left out)
};

class TScriptView : public TConsoleView {
 public:
  // `log`: where trace lines go (standard error when standard output carries
  // the picture); `out`: check lines and JSON; `err`: errors and the closing line.
  TScriptView(std::ostream& log, std::ostream& out, std::ostream& err, TScriptOutput output);

  void AppendLogLines(const std::vector<std::string>& lines) override;
  void ShowWarning(const std::string& text) override;
  void ShowErrorReport(const std::string& caption, const std::string& text) override;
  void FileDone(const TFileReport& report) override;

  // After the batch: the object of the file whose error stopped it, if any,
  // and the summary (a JSON object, or the closing line on `err`). Returns
  // the exit status.
  int Finish(const TFormMain& form, bool failed);

  // The fate of the last file done (the filter's one file).
  TFileFate LastFate() const { return lastFate_; }

 private:
  std::ostream& out_;
  std::ostream& err_;
  TScriptOutput output_;
  std::string lastError_;
  TFileFate lastFate_ = TFileFate::NotWritten;
};

// "a.jpg: would remove Exif, XMP, data after the end of image", "a.jpg: clean",
// "a.jpg: not checked: damaged (A segment runs past the end of the file.)".
std::string CheckLine(const TFileReport& report);
// One line of JSON, without its line break.
std::string JsonLine(const TFileReport& report, bool check);

}  // namespace app
