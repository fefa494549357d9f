// The name a screen reader says for a control that has no caption of its own.
#pragma once

#include <string>
#include <string_view>

class wxWindow;

namespace window {

void SetAccessibleName(wxWindow* control, std::string_view utf8);

// The name set for `control`, "" when none; for the tests.
std::string AccessibleNameOf(wxWindow* control);

}  // namespace window
