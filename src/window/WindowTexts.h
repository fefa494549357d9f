// The fixed texts that belong to the window itself (UTF-8). The control texts
// live in the control table; the logic's texts in app/Texts.h.
#pragma once

#include <string_view>

#include "platform/Translation.h"

namespace window::texts {

using platform::Tx;

inline constexpr std::string_view kCaption = "Velmora";
inline constexpr std::string_view kAbortButton = Tx("&Abort");
// Named rather than left to the toolkit, whose stock label follows the locale.
inline constexpr std::string_view kOkButton = Tx("OK");
inline constexpr std::string_view kPictureFilter =
    Tx("JPEG files (*.jpg;*.jpeg)|*.jpg;*.jpeg|All files (*.*)|*.*");
// What screen readers say for the controls without a caption of their own.
inline constexpr std::string_view kLogName = Tx("Log");
inline constexpr std::string_view kChimeName = Tx("Chime number");
// The general error report of an exception that carries no message.
inline constexpr std::string_view kUnknownError = Tx("Unknown error");

}  // namespace window::texts
