#include "app/ScriptView.h"

#include <algorithm>
#include <ostream>

#include "app/ErrorReport.h"
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

std::string jsonNumber(int64_t n) { return std::to_string(n); }

}  // namespace

std::string CheckLine(const TFileReport& report) {
  std::string line = EscapeForConsole(report.file) + ": ";
  switch (report.Fate()) {
    case TFileFate::Written:
      // Nothing removed and still rewritten: a segment of ours would be added.
      return line + (report.removed.empty() ? "would be rewritten, nothing removed"
                                            : "would remove " + kindList(report.removed));
    case TFileFate::Clean:
      return line + "clean";
    case TFileFate::NotWritten:
      break;
  }
  line += "not checked: " + std::string(report.Row().reason);
  if (!report.detail.empty()) line += " (" + EscapeForConsole(report.detail) + ")";
  return line;
}

std::string JsonLine(const TFileReport& report, bool check) {
  std::string line = "{\"file\":" + JsonString(report.file) + ",\"outcome\":" +
                     JsonString(check ? report.Row().checkJson : report.Row().json) +
                     ",\"reason\":";
  line += report.Fate() == TFileFate::NotWritten
              ? JsonString(std::string(report.Row().reason) +
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
  lastFate_ = report.Fate();
  if (output_.json) {
    out_ << JsonLine(report, output_.check) << '\n';
  } else if (output_.check) {
    if (!output_.quiet || report.Fate() != TFileFate::Clean) out_ << CheckLine(report) << '\n';
  } else if (output_.quiet && report.Fate() == TFileFate::NotWritten) {
    // The trace lines that would say why are left out: one line says it.
    err_ << EscapeForConsole(report.file) << ": " << EscapeForConsole(report.detail) << '\n';
  }
  out_.flush();
}

int TScriptView::Finish(const TFormMain& form, bool failed) {
  const TOutcomeCounts& counts = form.Outcomes();
  const int status = ExitStatusOf(counts, output_.check, failed);
  if (!form.StoppedAt().empty() && output_.json) {
    const TOutcomeRow& error = OutcomeRow(TOutcomeCode::Error);
    out_ << "{\"file\":" << JsonString(form.StoppedAt())
         << ",\"outcome\":" << JsonString(output_.check ? error.checkJson : error.json)
         << ",\"reason\":" << JsonString(lastError_) << "}\n";
  }
  const std::string caption = ErrorReportCaption(form.ExePath());
  if (output_.json) {
    out_ << "{\"summary\":{\"mode\":" << (output_.check ? "\"check\"" : "\"strip\"") << ",\""
         << (output_.check ? "to_strip" : "written") << "\":" << counts.Of(TFileFate::Written)
         << ",\"clean\":" << counts.Of(TFileFate::Clean) << ",\""
         << (output_.check ? "not_checked" : "not_written") << "\":" << counts.NotWritten()
         << ",\"not_handled\":" << counts.notHandled << ",\"status\":" << status << "}}\n";
    out_.flush();
  } else if (output_.check) {
    out_.flush();
    err_ << caption << ": " << counts.Of(TFileFate::Written) << " to strip, "
         << counts.Of(TFileFate::Clean) << " clean, " << counts.NotWritten() << " not checked, "
         << counts.notHandled << " not handled.\n";
  } else {
    out_.flush();
    err_ << caption << ": " << OutcomeCountText(counts) << '\n';
  }
  err_.flush();
  return status;
}

}  // namespace app
