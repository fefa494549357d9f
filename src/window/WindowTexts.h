// The fixed texts that belong to the window itself (UTF-8). The control texts
// live in the control table; the logic's texts in app/Texts.h.
#pragma once

#include <string_view>

namespace window::texts {

inline constexpr std::string_view kCaption = "Velmora";
inline constexpr std::string_view kAbortButton = "中止(&A)";
// Named rather than left to the toolkit, whose stock label follows the locale.
inline constexpr std::string_view kOkButton = "OK";
inline constexpr std::string_view kPictureFilter =
    "JPEGファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg|すべて(*.*)|*.*";
// What screen readers say for the controls without a caption of their own.
inline constexpr std::string_view kLogName = "Log";
inline constexpr std::string_view kChimeName = "Chime number";
// The general error report of an exception that carries no message.
inline constexpr std::string_view kUnknownError = "Unknown error";

}  // namespace window::texts
