#include "app/ScriptView.h"

#include <algorithm>
#include <ostream>

#include "app/ErrorReport.h"
#include "app/ExitStatus.h"
#include "app/JsonText.h"
#include "app/TFormMain.h"
#include "engine/ExifData.h"

namespace app {
namespace {

// The kinds of the segments that went, each once, in the order met.
std::string kindList(const std::vector<ExifData::TRemovedSegment>& removed) {
  std::vector<std::string_view> kinds;
  for (const ExifData::TRemovedSegment& segment : removed)
    if (std::find(kinds.begin(), kinds.end(), segment.kind) == kinds.end())
      kinds.push_back(segment.kind);
  std::string text;
  for (const std::string_view kind : kinds) {
    if (!text.empty()) text += ", ";
    text += kind;
  }
  return text;
}

std::string_view outcomeWord(TFileFate fate, bool check) {
  switch (fate) {
    case TFileFate::Written:
      return check ? "to strip" : "written";
    case TFileFate::Clean:
      return "clean";
    case TFileFate::NotWritten:
      break;
  }
  return check ? "not checked" : "not written";
}

std::string jsonNumber(int64_t n) { return std::to_string(n); }

}  // namespace

std::string CheckLine(const TFileReport& report) {
  std::string line = EscapeForConsole(report.file) + ": ";
  switch (report.fate) {
    case TFileFate::Written:
      // Nothing removed and still rewritten: a segment of ours would be added.
      return line + (report.removed.empty() ? "would be rewritten, nothing removed"
                                            : "would remove " + kindList(report.removed));
    case TFileFate::Clean:
      return line + "clean";
    case TFileFate::NotWritten:
      break;
  }
  line += "not checked: " + std::string(report.reason);
  if (!report.detail.empty()) line += " (" + EscapeForConsole(report.detail) + ")";
  return line;
}

std::string JsonLine(const TFileReport& report, bool check) {
  std::string line = "{\"file\":" + JsonString(report.file) +
                     ",\"outcome\":" + JsonString(outcomeWord(report.fate, check)) + ",\"reason\":";
  line += report.fate == TFileFate::NotWritten
              ? JsonString(std::string(report.reason) +
                           (report.detail.empty() ? "" : ": " + report.detail))
              : "null";
  line += ",\"bytes_before\":" + jsonNumber(report.bytesBefore) +
          ",\"bytes_after\":" + jsonNumber(report.bytesAfter) + ",\"removed\":[";
  for (size_t i = 0; i < report.removed.size(); ++i) {
    const ExifData::TRemovedSegment& segment = report.removed[i];
    if (i > 0) line += ',';
    line += "{\"marker\":";
    line += segment.marker != 0 ? JsonString(ExifData::HexText(segment.marker, 4)) : "null";
    line += ",\"kind\":" + JsonString(segment.kind) + ",\"offset\":" + jsonNumber(segment.offset) +
            ",\"length\":" + jsonNumber(segment.length) + '}';
  }
  line += ']';
  if (!report.backup.empty()) line += ",\"backup\":" + JsonString(report.backup);
  return line + '}';
}

TScriptView::TScriptView(std::ostream& log, std::ostream& out, std::ostream& err,
                         TScriptOutput output)
    : TConsoleView(log, err), out_(out), err_(err), output_(output) {}

void TScriptView::AppendLogLines(const std::vector<std::string>& lines) {
  if (output_.check || output_.json || output_.quiet) return;
  TConsoleView::AppendLogLines(lines);
}

void TScriptView::ShowWarning(const std::string& text) {
  // A check line or a JSON object already says why a file was not handled.
  if (output_.check || output_.json) return;
  TConsoleView::ShowWarning(text);
}

void TScriptView::ShowErrorReport(const std::string& caption, const std::string& text) {
  lastError_ = text;
  TConsoleView::ShowErrorReport(caption, text);
}

void TScriptView::FileDone(const TFileReport& report) {
  lastFate_ = report.fate;
  if (output_.json) {
    out_ << JsonLine(report, output_.check) << '\n';
  } else if (output_.check) {
    if (!output_.quiet || report.fate != TFileFate::Clean) out_ << CheckLine(report) << '\n';
  } else if (output_.quiet && report.fate == TFileFate::NotWritten) {
    // The trace lines that would say why are left out: one line says it.
    err_ << EscapeForConsole(report.file) << ": " << EscapeForConsole(report.detail) << '\n';
  }
  out_.flush();
}

int TScriptView::Finish(const TFormMain& form, bool failed) {
  const TOutcomeCounts& counts = form.Outcomes();
  const bool notAll = failed || counts.NotWritten() > 0 || (output_.check && counts.written > 0);
  const int status = notAll ? kExitNotAll : kExitDone;
  if (!form.StoppedAt().empty() && output_.json) {
    out_ << "{\"file\":" << JsonString(form.StoppedAt())
         << ",\"outcome\":\"error\",\"reason\":" << JsonString(lastError_) << "}\n";
  }
  const std::string caption = ErrorReportCaption(form.ExePath());
  if (output_.json) {
    out_ << "{\"summary\":{\"mode\":" << (output_.check ? "\"check\"" : "\"strip\"") << ",\""
         << (output_.check ? "to_strip" : "written") << "\":" << counts.written
         << ",\"clean\":" << counts.unchanged << ",\""
         << (output_.check ? "not_checked" : "not_written") << "\":" << counts.NotWritten()
         << ",\"not_handled\":" << counts.notHandled << ",\"status\":" << status << "}}\n";
    out_.flush();
  } else if (output_.check) {
    out_.flush();
    err_ << caption << ": " << counts.written << " to strip, " << counts.unchanged << " clean, "
         << counts.NotWritten() << " not checked, " << counts.notHandled << " not handled.\n";
  } else {
    out_.flush();
    err_ << caption << ": " << OutcomeCountText(counts) << '\n';
  }
  err_.flush();
  return status;
}

}  // namespace app
