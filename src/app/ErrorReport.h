// The general error report: what the box shows for an error that escapes a
// handler. Both the window and the console use it.
#pragma once

#include <string>
#include <string_view>

namespace app {

// The executable's file name, without directory, cut before its first full stop.
std::string ErrorReportCaption(std::string_view exePath);
// The message, with a full stop added when its last character's code is above U+002E.
std::string ErrorReportText(std::string_view message);

}  // namespace app
