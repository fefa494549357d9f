// Real photos: stripping keeps every pixel, leaves no metadata before the scan
// and no image after the main one.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>

#include "JpegBuilder.h"
#include "JpegDecode.h"
#include "WalkHarness.h"
#include "engine/ExifOrientation.h"

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

TStripped Strip(const Bytes& input, ExifData::TStripOptions FLAG) {
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
  stripped.output = run.Stripped().Bytes();
  stripped.lines = run.Trace();
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

// The test's own small Exif reader, independent of the engine's: where IFD0's
// Orientation value sits in the first Exif APP1 before the scan, and the TIFF
// byte order. Out-of-range reads throw, which fails the test.
struct TOrientationField {
  size_t at = 0;
  bool big = false;
  size_t segment = 0;  // offset of the APP1 marker
};

std::optional<TOrientationField> OrientationField(const Bytes& jpeg) {
  for (size_t at = 2; jpeg.at(at) == 0xFF && jpeg.at(at + 1) != 0xDA;
       at += 2 + Length(jpeg, at + 2)) {
    if (jpeg[at + 1] != 0xE1 || std::memcmp(&jpeg.at(at + 4), "Exif\0\0", 6) != 0) continue;
    const size_t tiff = at + 10;
    const bool big = jpeg.at(tiff) == 'M';
    const auto u16 = [&](size_t p) -> size_t {
      return big ? jpeg.at(p) * 256u + jpeg.at(p + 1) : jpeg.at(p + 1) * 256u + jpeg.at(p);
    };
    const auto u32 = [&](size_t p) {
      return big ? u16(p) << 16 | u16(p + 2) : u16(p + 2) << 16 | u16(p);
    };
    const size_t ifd0 = tiff + u32(tiff + 4);
    for (size_t i = 0; i < u16(ifd0); ++i) {
      const size_t entry = ifd0 + 2 + 12 * i;
      if (u16(entry) == 0x0112) return TOrientationField{entry + 8, big, at};
    }
    return std::nullopt;
  }
  return std::nullopt;
}

int OrientationOf(const Bytes& jpeg) {
  const auto field = OrientationField(jpeg);
  if (!field) return 0;
  return field->big ? jpeg[field->at] * 256 + jpeg[field->at + 1]
                    : jpeg[field->at + 1] * 256 + jpeg[field->at];
}

// Every APP1 segment of the header, as offsets of their markers.
std::vector<size_t> App1Segments(const Bytes& jpeg) {
  std::vector<size_t> found;
  for (size_t at = 2; jpeg.at(at) == 0xFF && jpeg.at(at + 1) != 0xDA;
       at += 2 + Length(jpeg, at + 2)) {
    if (jpeg[at + 1] == 0xE1) found.push_back(at);
  }
  return found;
}

// A folder of this test process's own for files that outside readers look at.
class TScratch {
 public:
  TScratch()
      : folder_(fs::temp_directory_path() /
                ("velmora-photos-" + std::to_string(std::random_device()()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    fs::create_directories(folder_);
  }
  ~TScratch() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  fs::path Write(const std::string& name, const Bytes& bytes) const {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  fs::path folder_;
};

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

bool HaveExifTool() { return std::system("exiftool -ver >/dev/null 2>&1") == 0; }

// What exiftool sees of each file's Exif tags and ICC profile description, one
// "[Group] Tag : value" line per tag (numbers as stored), by file name.
std::map<std::string, std::vector<std::string>> ExifToolView(const std::vector<fs::path>& files) {
  std::string command = "exiftool -a -G1 -s -n -EXIF:All -ICC_Profile:ProfileDescription";
  for (const fs::path& file : files) command += " '" + file.string() + "'";
  std::map<std::string, std::vector<std::string>> view;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return view;
  std::array<char, 512> line{};
  std::string current = files.size() == 1 ? files[0].filename().string() : "";
  while (std::fgets(line.data(), line.size(), pipe)) {
    std::string text(line.data());
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.rfind("======== ", 0) == 0) {
      current = fs::path(text.substr(9)).filename().string();
      view[current];
    } else if (!text.empty() && text[0] == '[') {
      std::string squeezed;
      for (char c : text)
        if (c != ' ' || (!squeezed.empty() && squeezed.back() != ' ')) squeezed += c;
      view[current].push_back(squeezed);
    }
  }
  pclose(pipe);
  return view;
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
    const TStripped stripped = Strip(input, ExifData::TStripOptions{42});
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
    const TStripped cut = Strip(input, ExifData::flDeleteAfterEOI);
    const TStripped kept = Strip(input, ExifData::flNone);
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
    const TStripped stripped = Strip(ReadAll(path), ExifData::TStripOptions{c.FLAG});
    EXPECT_EQ(stripped.output.size(), c.size) << c.name << " FLAG=" << int{c.FLAG};
    EXPECT_EQ(velmora::test::Fnv1a64(stripped.output), c.fnv1a)
        << c.name << " FLAG=" << int{c.FLAG};
  }
}

// The orientation examples: a big-endian and a little-endian photo, each made
// to carry every orientation value in turn, and an upright photo as it is.
TEST(RealPhotos, KeptOrientationIsAllThatIsLeftOfTheExifAndPixelsStay) {
  const char* names[] = {"orient-Portrait_6.jpg", "exifr-f6t.jpg", "exifr-IMG_5910.jpg"};
  const bool exifTool = HaveExifTool();
  int photos = 0;
  for (const char* name : names) {
    const fs::path path = kCorpus / name;
    if (!fs::exists(path)) continue;
    ++photos;
    const Bytes original = ReadAll(path);
    const auto field = OrientationField(original);
    ASSERT_TRUE(field) << name;
    const velmora::test::TDecoded pixels = velmora::test::DecodeJpeg(original);
    ASSERT_TRUE(pixels.ok) << name;

    const bool upright = OrientationOf(original) == 1;
    std::vector<int> values = {1};
    if (!upright) values = {1, 2, 3, 4, 5, 6, 7, 8};
    TScratch scratch;
    std::vector<fs::path> written;
    std::map<std::string, int> expected;
    for (int value : values) {
      Bytes input = original;
      input[field->at + (field->big ? 1 : 0)] = static_cast<uint8_t>(value);
      input[field->at + (field->big ? 0 : 1)] = 0;
      for (const bool keep : {false, true}) {
        const std::string what = std::string(name) + " orientation " + std::to_string(value) +
                                 (keep ? " kept" : " dropped");
        const TStripped stripped =
            Strip(input, ExifData::TStripOptions{42} |
                             (keep ? ExifData::flKeepOrientation : ExifData::flNone));
        ASSERT_FALSE(stripped.threw) << what;
        const Bytes& out = stripped.output;
        const int seen = keep && value >= 2 ? value : 0;
        EXPECT_EQ(OrientationOf(out), seen) << what;
        // Only the one segment of 34 bytes after its marker: IFD0 with a single entry, no next IFD.
        const std::vector<size_t> app1 = App1Segments(out);
        ASSERT_EQ(app1.size(), seen ? 1u : 0u) << what;
        if (seen) {
          EXPECT_EQ(app1[0], 2u) << what << ": right after the start of image";
          EXPECT_EQ(Length(out, app1[0] + 2), 34u) << what;
          const auto kept = OrientationField(out);
          EXPECT_EQ(kept->big, field->big) << what << ": the input's byte order";
          EXPECT_EQ(kept->at, app1[0] + 10 + 8 + 2 + 8) << what << ": the first and only entry";
        }
        const velmora::test::TDecoded after = velmora::test::DecodeJpeg(out);
        EXPECT_TRUE(after.ok && after.pixels == pixels.pixels) << what << ": pixels differ";
        const std::string file = std::to_string(value) + (keep ? "-kept.jpg" : "-dropped.jpg");
        written.push_back(scratch.Write(file, out));
        expected[file] = seen;
      }
    }
    if (!exifTool) continue;
    const auto view = ExifToolView(written);
    for (const auto& [file, value] : expected) {
      const auto it = view.find(file);
      ASSERT_NE(it, view.end()) << name << " " << file;
      const std::vector<std::string> tags =
          value ? std::vector<std::string>{"[IFD0] Orientation : " + std::to_string(value)}
                : std::vector<std::string>{};
      EXPECT_EQ(it->second, tags) << name << " " << file;
    }
  }
  if (photos == 0) GTEST_SKIP() << "no orientation examples in " << kCorpus;
  if (!exifTool)
    std::printf("exiftool not found: orientation read by the test's own reader only\n");
}

// The reader refuses damaged Exif; it must not refuse what cameras, phones and
// editors write. Every photo whose Exif has an Orientation entry, made to say 6.
TEST(RealPhotos, EveryOrientationEntryInTheCorpusIsRead) {
  int found = 0;
  for (const fs::path& path : Photos()) {
    Bytes input = ReadAll(path);
    const auto field = OrientationField(input);
    if (!field) continue;
    ++found;
    input[field->at + (field->big ? 1 : 0)] = 6;
    input[field->at + (field->big ? 0 : 1)] = 0;
    const auto read = ExifData::FindExifOrientation(input);
    ASSERT_TRUE(read) << path.filename();
    EXPECT_EQ(read->value, 6) << path.filename();
    EXPECT_EQ(read->bigEndian, field->big) << path.filename();
  }
  if (found == 0) GTEST_SKIP() << "no photos with an orientation in " << kCorpus;
}

// A profile split over three APP2 chunks, as large profiles are, with a
// multi-picture index between them: the chunks stay, in order; the index goes.
TEST(RealPhotos, KeptICCProfileInSeveralChunksStaysWhole) {
  const fs::path donor = kCorpus / "ente-pixel_8.jpg";
  const fs::path photo = kCorpus / "pillow-hopper.jpg";
  if (!fs::exists(donor) || !fs::exists(photo)) GTEST_SKIP() << "no photos in " << kCorpus;
  // The donor's profile sits whole in one APP2 chunk.
  const Bytes donorBytes = ReadAll(donor);
  Bytes profile;
  for (size_t at = 2; donorBytes.at(at + 1) != 0xDA; at += 2 + Length(donorBytes, at + 2)) {
    if (donorBytes[at + 1] == 0xE2 && std::memcmp(&donorBytes[at + 4], "ICC_PROFILE", 12) == 0) {
      profile.assign(
          donorBytes.begin() + static_cast<std::ptrdiff_t>(at + 18),
          donorBytes.begin() + static_cast<std::ptrdiff_t>(at + 2 + Length(donorBytes, at + 2)));
      break;
    }
  }
  ASSERT_GT(profile.size(), 300u);
  const size_t third = profile.size() / 3 + 1;
  std::vector<Bytes> chunks;
  velmora::test::JpegBuilder built;
  built.SOI();
  for (uint8_t n = 1; n <= 3; ++n) {
    Bytes body = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, n, 3};
    const size_t from = (n - 1) * third;
    for (size_t i = from; i < std::min(profile.size(), from + third); ++i)
      body.push_back(profile[i]);
    chunks.push_back(velmora::test::JpegBuilder().Segment(0xFFE2, body).Build());
    built.Bytes(chunks.back());
    if (n == 1) built.Segment(0xFFE2, {'M', 'P', 'F', 0, 'M', 'M', 0, '*'});
  }
  const Bytes hopper = ReadAll(photo);
  Bytes input = built.Build();
  input.insert(input.end(), hopper.begin() + 2, hopper.end());

  const TStripped kept = Strip(input, ExifData::TStripOptions{42} | ExifData::flKeepICC);
  const TStripped dropped = Strip(input, ExifData::TStripOptions{42});
  ASSERT_FALSE(kept.threw || dropped.threw);
  EXPECT_EQ(kept.lines, dropped.lines);
  Bytes expected = {0xFF, 0xD8};
  for (const Bytes& chunk : chunks) expected.insert(expected.end(), chunk.begin(), chunk.end());
  expected.insert(expected.end(), dropped.output.begin() + 2, dropped.output.end());
  EXPECT_EQ(kept.output, expected);
  const velmora::test::TDecoded before = velmora::test::DecodeJpeg(hopper);
  const velmora::test::TDecoded after = velmora::test::DecodeJpeg(kept.output);
  EXPECT_TRUE(before.ok && after.ok && after.pixels == before.pixels);

  if (!HaveExifTool()) GTEST_SKIP() << "exiftool not found: the profile was not read back";
  TScratch scratch;
  const auto view = ExifToolView(
      {scratch.Write("kept.jpg", kept.output), scratch.Write("dropped.jpg", dropped.output)});
  EXPECT_EQ(view.at("kept.jpg"),
            std::vector<std::string>{"[ICC_Profile] ProfileDescription : Display P3"});
  EXPECT_TRUE(view.at("dropped.jpg").empty());
}
