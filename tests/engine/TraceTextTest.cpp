#include <gtest/gtest.h>

#include "engine/ExifData.h"

TEST(MM2, ExchangesTheTwoBytes) {
  struct Case {
    uint16_t in, out;
  };
  for (const Case c : {Case{0x1234, 0x3412}, Case{0xD8FF, 0xFFD8}, Case{0x00FF, 0xFF00},
                       Case{0x0000, 0x0000}, Case{0xFFFF, 0xFFFF}}) {
    EXPECT_EQ(ExifData::MM2(c.in), c.out) << std::hex << c.in;
  }
}

TEST(HexText, IsUpperCasePaddedToTheWidthAndNeverCut) {
  struct Case {
    uint64_t value;
    int width;
    const char* text;
  };
  const Case cases[] = {
      {0x14, 6, "000014"}, {0xABCDEF, 6, "ABCDEF"}, {0x1000000, 6, "1000000"},
      {0xFF, 4, "00FF"},   {0xFFD8, 4, "FFD8"},     {0, 1, "0"},
      {0, 0, "0"},         {0xabc, 0, "ABC"},       {0xFFFFFFFF, 6, "FFFFFFFF"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExifData::HexText(c.value, c.width), c.text);
}

TEST(TraceLine, HasOffsetMarkerAndLabelWithNothingElse) {
  EXPECT_EQ(ExifData::TraceLine(0x14, 0xFFE1, " APP1"), "ADRS=$000014 MARK=$FFE1 APP1");
  EXPECT_EQ(ExifData::TraceLine(0xA2, 0xFFE5, ""), "ADRS=$0000A2 MARK=$FFE5");
  EXPECT_EQ(ExifData::TraceLine(0x1234567, 0x00FF, " is not marker. Terminated."),
            "ADRS=$1234567 MARK=$00FF is not marker. Terminated.");
}
