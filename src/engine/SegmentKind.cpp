// Segment kinds by marker and body identifier.
#include "SegmentKind.h"

#include <algorithm>
#include <array>

namespace ExifData {
namespace {

struct TKindRow {
  uint16_t marker;
  std::string_view id;  // the body's first bytes, its zero byte included where it has one
  std::string_view kind;
};

// clang-format off
constexpr std::array<TKindRow, 12> kKinds{{
    {0xFFE0, {"JFIF\0", 5},                                 "JFIF"},
    {0xFFE0, {"JFXX\0", 5},                                 "JFIF thumbnail"},
    {0xFFE1, {"Exif\0", 5},                                 "Exif"},
    {0xFFE1, {"http://ns.adobe.com/xap/1.0/\0", 29},        "XMP"},
    {0xFFE1, {"http://ns.adobe.com/xmp/extension/\0", 35},  "XMP"},
    {0xFFE2, {"ICC_PROFILE\0", 12},                         "ICC"},
    {0xFFE2, {"MPF\0", 4},                                  "multi-picture index"},
    {0xFFE2, {"FPXR\0", 5},                                 "FlashPix"},
    {0xFFEC, "Ducky",                                       "Ducky"},
    {0xFFED, {"Photoshop 3.0\0", 14},                       "IPTC"},
    {0xFFEE, "Adobe",                                       "Adobe"},
    {0xFFFE, {},                                            "comment"},
}};
// clang-format on

constexpr std::array<std::string_view, 16> kAppNames{
    "APP0", "APP1", "APP2",  "APP3",  "APP4",  "APP5",  "APP6",  "APP7",
    "APP8", "APP9", "APP10", "APP11", "APP12", "APP13", "APP14", "APP15"};

bool startsWith(std::span<const uint8_t> body, std::string_view id) {
  return body.size() >= id.size() &&
         std::equal(id.begin(), id.end(), body.begin(),
                    [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

}  // namespace

std::string_view SegmentKind(uint16_t marker, std::span<const uint8_t> body) {
  for (const TKindRow& row : kKinds)
    if (row.marker == marker && startsWith(body, row.id)) return row.kind;
  if ((marker & 0xFFF0) == 0xFFE0) return kAppNames[marker & 0x0F];
  return "segment";
}

}  // namespace ExifData
