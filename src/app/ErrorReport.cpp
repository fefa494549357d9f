#include "app/ErrorReport.h"

#include "engine/PathRules.h"

namespace app {

std::string ErrorReportCaption(std::string_view exePath) {
  std::string name = ExifData::FileNameOf(exePath);
  return name.substr(0, name.find('.'));
}

std::string ErrorReportText(std::string_view message) {
  std::string text(message);
  if (text.empty()) return text;
  // The last character decides, not the last byte: any multi-byte UTF-8
  // character lies above U+002E, and so does its last byte.
  const auto last = static_cast<unsigned char>(text.back());
  if (last > 0x2E) text += '.';
  return text;
}

}  // namespace app
