// Real photos: stripping keeps every pixel, leaves no metadata before the scan
// and no image after the main one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "JpegBuilder.h"
#include "JpegDecode.h"
#include "WalkHarness.h"

namespace fs = std::filesystem;
using velmora::test::Bytes;
using velmora::test::kVelmoraComment;

namespace {

const fs::path kCorpus = VELMORA_CORPUS_DIR;

std::vector<fs::path> Photos() {
  std::vector<fs::path> photos;
  if (!fs::is_directory(kCorpus)) return photos;
  for (const auto& entry : fs::directory_iterator(kCorpus)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".mpo") photos.push_back(entry.path());
  }
  std::sort(photos.begin(), photos.end());
  return photos;
}

Bytes ReadAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

struct TStripped {
  Bytes output;
  ExifData::TStringList lines;
  bool threw = false;
};

TStripped Strip(const Bytes& input, uint8_t FLAG) {
  velmora::test::TFakeFileAccess files;
  files.files["/photos/p.jpg"] = input;
  ExifData::TStripRun run(files, "/opt/bin/Velmora.exe");
  run.FLAG = FLAG;
  TStripped stripped;
  try {
    run.AnalyzeExif("/photos/p.jpg");
  } catch (const ExifData::EStreamReadError&) {
    stripped.threw = true;
  }
  stripped.output = run.StripJpeg.Bytes();
  stripped.lines = run.TraceLog;
  return stripped;
}

bool ReachedScan(const ExifData::TStringList& lines) {
  return std::any_of(lines.begin(), lines.end(),
                     [](const std::string& line) { return line.ends_with(" SOS"); });
}

size_t Length(const Bytes& b, size_t at) { return b[at] * 256u + b[at + 1]; }

// The header of `jpeg` up to its first SOS: none of APP1..APP13, APP15 or COM,
// apart from our own comment right before SOS. Returns the offset of the SOS.
size_t CheckHeader(const Bytes& jpeg, const std::string& name) {
  size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    if (jpeg[at] != 0xFF) {
      ADD_FAILURE() << name << ": no marker at " << at;
      return jpeg.size();
    }
    const uint8_t code = jpeg[at + 1];
    if (code == 0xFF) {
      ++at;
      continue;
    }
    if (code == 0xDA) return at;
    const bool ours = code == 0xFE && std::equal(kVelmoraComment.begin(), kVelmoraComment.end(),
                                                 jpeg.begin() + static_cast<std::ptrdiff_t>(at));
    const bool metadata = (code >= 0xE1 && code <= 0xED) || code == 0xEF || code == 0xFE;
    EXPECT_FALSE(metadata && !ours)
        << name << ": marker FF" << std::hex << int{code} << " at " << at;
    at += 2 + Length(jpeg, at + 2);
  }
  return jpeg.size();
}

// Offset of the first EOI after the scan starting at `sos`, parsing entropy
// data (stuffed FF 00, restart markers) and the segments between scans.
size_t FirstEOI(const Bytes& jpeg, size_t sos) {
  size_t at = sos + 2 + Length(jpeg, sos + 2);
  while (at + 1 < jpeg.size()) {
    if (jpeg[at] != 0xFF) {
      ++at;
      continue;
    }
    const uint8_t code = jpeg[at + 1];
    if (code == 0x00 || code == 0xFF || (code >= 0xD0 && code <= 0xD7)) {
      at += code == 0xFF ? 1 : 2;
      continue;
    }
    if (code == 0xD9) return at;
    if (at + 4 > jpeg.size()) break;
    at += 2 + Length(jpeg, at + 2);  // a table or the next scan's header
  }
  return jpeg.size();
}

bool HasImageAfter(const Bytes& jpeg, size_t from) {
  for (size_t i = from; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xD8) return true;
  }
  return false;
}

}  // namespace

TEST(RealPhotos, StrippingKeepsPixelsAndDropsMetadataAndTrailingImages) {
  const auto photos = Photos();
  if (photos.empty()) GTEST_SKIP() << "no photos in " << kCorpus;
  int decoded = 0;
  int walked = 0;
  for (const fs::path& path : photos) {
    const std::string name = path.filename().string();
    const Bytes input = ReadAll(path);
    const TStripped stripped = Strip(input, 42);
    ASSERT_FALSE(stripped.threw) << name;

    const velmora::test::TDecoded before = velmora::test::DecodeJpeg(input);
    if (before.ok) {
      ++decoded;
      const velmora::test::TDecoded after = velmora::test::DecodeJpeg(stripped.output);
      EXPECT_TRUE(after.ok) << name;
      EXPECT_EQ(std::make_tuple(after.width, after.height, after.components),
                std::make_tuple(before.width, before.height, before.components))
          << name;
      EXPECT_TRUE(after.pixels == before.pixels) << name << ": pixels differ";
    }
    if (!ReachedScan(stripped.lines)) continue;
    ++walked;
    const size_t sos = CheckHeader(stripped.output, name);
    ASSERT_LT(sos, stripped.output.size()) << name;
    const size_t eoi = FirstEOI(stripped.output, sos);
    EXPECT_FALSE(HasImageAfter(stripped.output, eoi)) << name << ": an image after the EOI";
  }
  EXPECT_GT(decoded, 0);
  EXPECT_GT(walked, 0);
}

// These files carry more after the main image (a second image with its own
// metadata, or a video); the cut must end at the main image's marker, where the
// end of the file would keep the rest.
TEST(RealPhotos, WhatFollowsTheMainImageIsCut) {
  const char* names[] = {"mphoto-motion_photo.jpeg", "mphoto-microvideo_still.jpeg",
                         "uhdr-Ultra_HDR_Samples_Originals_01.jpg", "pillow-frozenpond.mpo"};
  if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no photos in " << kCorpus;
  for (const char* name : names) {
    const fs::path path = kCorpus / name;
    if (!fs::exists(path)) continue;
    const Bytes input = ReadAll(path);
    const TStripped cut = Strip(input, 2);
    const TStripped kept = Strip(input, 0);
    const size_t sos = CheckHeader(cut.output, name);
    const size_t eoi = FirstEOI(cut.output, sos);
    EXPECT_EQ(eoi + 2, cut.output.size()) << name << ": the output ends at the main image's EOI";
    EXPECT_GT(kept.output.size(), cut.output.size() + 64) << name << ": nothing followed";
    EXPECT_TRUE(std::equal(cut.output.begin(), cut.output.end(), kept.output.begin())) << name;
  }
}

// Whole outputs by hash, for a few photos and option sets.
TEST(RealPhotos, GoldenOutputs) {
  struct Case {
    const char* name;
    uint8_t FLAG;
    size_t size;
    uint64_t fnv1a;
  };
  const Case cases[] = {
      {"pillow-hopper.jpg", 42, 6385, 0xC38504C3AFA13702ull},
      {"pillow-hopper.jpg", 0, 6353, 0x18A780810666107Dull},
      {"pillow-hopper.jpg", 1 | 8 | 16 | 32, 6403, 0x9D0CA6CB5DA68171ull},
      {"et-ExifTool.jpg", 42, 299, 0xDFFAA5A61380A122ull},
      {"et-ExifTool.jpg", 1, 4182, 0xEA3B7E4ECF8CB41Bull},
      {"pillow-frozenpond.mpo", 42, 75021, 0xB5AAB45521FAF38Cull},
      {"pillow-frozenpond.mpo", 0, 158747, 0x6E627B39B5EC50AFull},
      {"uhdr-Ultra_HDR_Samples_Originals_01.jpg", 42, 2599642, 0xF1BC772006BF438Bull},
      {"pillow-pil_sample_cmyk.jpg", 42, 10724, 0xE2944502118BCCB8ull},
      {"pillow-pil_sample_cmyk.jpg", 2, 10676, 0x6F275CB326304C8Dull},
  };
  if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no photos in " << kCorpus;
  for (const Case& c : cases) {
    const fs::path path = kCorpus / c.name;
    if (!fs::exists(path)) continue;
    const TStripped stripped = Strip(ReadAll(path), c.FLAG);
    EXPECT_EQ(stripped.output.size(), c.size) << c.name << " FLAG=" << int{c.FLAG};
    EXPECT_EQ(velmora::test::Fnv1a64(stripped.output), c.fnv1a)
        << c.name << " FLAG=" << int{c.FLAG};
  }
}
