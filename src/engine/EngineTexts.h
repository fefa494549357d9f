// Every fixed text the engine writes, in one place.
#pragma once

#include <string_view>

#include "engine/TextMark.h"

namespace ExifData::texts {

// Labels of the trace lines, by marker (each begins with a blank).
inline constexpr std::string_view kAPP0 = " APP0";
inline constexpr std::string_view kAPP1 = " APP1";
inline constexpr std::string_view kAPP2 = " APP2";
inline constexpr std::string_view kDQT = " DQI";
inline constexpr std::string_view kDHT = " DHI";
inline constexpr std::string_view kDRI = " DRI";
inline constexpr std::string_view kSOF0 = " SOF";
inline constexpr std::string_view kSOS = " SOS";
inline constexpr std::string_view kAPP12 = " Ducky";
inline constexpr std::string_view kAPP13 = " Photo";
inline constexpr std::string_view kAPP14 = " Adobe";
inline constexpr std::string_view kCOM = " COM";
inline constexpr std::string_view kNotMarker = " is not marker. Terminated.";
inline constexpr std::string_view kSOI = " SOI";
inline constexpr std::string_view kEOI = " EOI";

// Trace-line pieces.
inline constexpr std::string_view kAddress = "ADRS=$";
inline constexpr std::string_view kMark = " MARK=$";

// The driver's lines.
inline constexpr std::string_view kHeaderOpen = "-----<";
inline constexpr std::string_view kHeaderClose = ">-----";
inline constexpr std::string_view kFileOpenError = "*** File open error : ";
inline constexpr std::string_view kFileTooLarge =
    "  *** File too large (2 GiB or more). Not processed.";
inline constexpr std::string_view kMustBePNG = "  *** Must be PNG file. Marker=$";
inline constexpr std::string_view kMustBeGIF = "  *** Must be GIF file. Marker=$";
inline constexpr std::string_view kMustBeBMP = "  *** Must be BMP file. Marker=$";
inline constexpr std::string_view kMustBeTIFF = "  *** Must be TIFF file. Marker=$";
inline constexpr std::string_view kExecutable = "  *** Executable file? Marker=$";
inline constexpr std::string_view kNotJpeg = "  *** Not Jpeg file. Marker=$";

// The comment segment's text: "Modified by " name " " Version.
inline constexpr std::string_view kModifiedBy = "Modified by ";
inline constexpr std::string_view kBackupEnding = "_bak.jpg";
// Further backups of one file: kNumberedBackupStart + number + kNumberedBackupEnd.
inline constexpr std::string_view kNumberedBackupStart = "_bak_";
inline constexpr std::string_view kNumberedBackupEnd = ".jpg";

// The failure of a memory-stream copy that runs short. The engine throws it
// as it stands; the error report shows it in the user's language.
inline constexpr std::string_view kStreamReadError = Tx("Stream read error");

}  // namespace ExifData::texts
