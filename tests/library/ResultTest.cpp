// What the C API tells of one run: outcome, reason, removed segments, trace,
// backup; and the calls' refusals of bad arguments.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "velmora/velmora.h"

namespace {

namespace fs = std::filesystem;

// SOI, an Exif APP1 (20 bytes from its marker), tables, a frame, a short scan,
// EOI and 8 bytes after it.
std::vector<uint8_t> photoWithExif() {
  std::vector<uint8_t> bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x12};
  for (const char c : std::string("Exif\0\0secretGPS", 15))
    bytes.push_back(static_cast<uint8_t>(c));
  bytes.push_back(0);
  const std::vector<uint8_t> rest{0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01, 0xFF, 0xC0, 0x00, 0x05,
                                  0x08, 0x00, 0x01, 0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0x34,
                                  0xFF, 0xD9, 't',  'a',  'i',  'l',  'd',  'a',  't',  'a'};
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

struct TResult {
  explicit TResult(const std::vector<uint8_t>& in, const velmora_options* o = nullptr) {
    code = velmora_strip_buffer_ex(in.data(), in.size(), o, VELMORA_WANT_TRACE, &result);
  }
  ~TResult() { velmora_result_free(result); }
  TResult(const TResult&) = delete;
  TResult& operator=(const TResult&) = delete;
  int code;
  velmora_result* result = nullptr;
};

TEST(LibraryResult, TellsWhatWasRemovedAndWhereWithTheDefaults) {
  const TResult run(photoWithExif());
  ASSERT_EQ(run.code, VELMORA_OK);
  EXPECT_EQ(velmora_result_outcome(run.result), VELMORA_WRITTEN);
  EXPECT_STREQ(velmora_result_reason(run.result), "");
  ASSERT_EQ(velmora_result_removed_count(run.result), 2u);
  const velmora_segment* exif = velmora_result_removed(run.result, 0);
  EXPECT_EQ(exif->marker, 0xFFE1);
  EXPECT_STREQ(exif->kind, "Exif");
  EXPECT_EQ(exif->offset, 2);
  EXPECT_EQ(exif->length, 20);
  EXPECT_STREQ(velmora_result_removed(run.result, 1)->kind, "data after the end of image");
  EXPECT_EQ(velmora_result_removed(run.result, 2), nullptr);
  EXPECT_GT(velmora_result_trace_count(run.result), 2u);
  size_t size = 0;
  const uint8_t* out = velmora_result_output(run.result, &size);
  ASSERT_NE(out, nullptr);
  // The comment names the program as a fresh settings file has it.
  const std::string text(reinterpret_cast<const char*>(out), size);
  EXPECT_NE(text.find(std::string("Modified by velmora ") + velmora_version()), std::string::npos);
  EXPECT_EQ(text.find("secretGPS"), std::string::npos);
  EXPECT_EQ(text.find("taildata"), std::string::npos);
}

TEST(LibraryResult, InputsThatCannotBeStrippedGiveTheirOutcomeAndNoOutput) {
  std::vector<uint8_t> cut = photoWithExif();
  cut[5] = 0x40;  // the Exif segment now runs past the end
  const struct {
    const char* name;
    std::vector<uint8_t> input;
    int code;
  } cases[] = {
      {"empty", {}, VELMORA_NOT_JPEG},
      {"png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, VELMORA_NOT_JPEG},
      {"segment past the end", cut, VELMORA_DAMAGED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TResult run(c.input);
    EXPECT_EQ(run.code, c.code);
    EXPECT_EQ(velmora_result_outcome(run.result), c.code);
    EXPECT_STRNE(velmora_result_reason(run.result), "");
    EXPECT_EQ(velmora_result_output(run.result, nullptr), nullptr);
    uint8_t* out = reinterpret_cast<uint8_t*>(1);
    size_t size = 0;
    EXPECT_EQ(velmora_strip_buffer(c.input.data(), c.input.size(), nullptr, &out, &size), c.code);
    EXPECT_EQ(out, nullptr);
  }
}

TEST(LibraryResult, OptionsOfAnOlderShorterStructKeepTheNewerDefaults) {
  velmora_options defaults;
  velmora_options_init(&defaults);
  EXPECT_EQ(defaults.write_comment, 1);
  EXPECT_EQ(defaults.cut_after_eoi, 1);
  EXPECT_EQ(defaults.backup, 0);
  velmora_options older = defaults;
  older.size = offsetof(velmora_options, write_comment);  // knows nothing of the comment
  older.write_comment = 0;                                // ignored: past its size
  older.cut_after_eoi = 0;
  const TResult run(photoWithExif(), &older);
  size_t size = 0;
  const uint8_t* out = velmora_result_output(run.result, &size);
  const std::string text(reinterpret_cast<const char*>(out), size);
  EXPECT_NE(text.find("Modified by velmora"), std::string::npos);
  EXPECT_NE(text.find("taildata"), std::string::npos);
}

TEST(LibraryResult, BadArgumentsAreRefused) {
  const std::vector<uint8_t> in = photoWithExif();
  uint8_t* out = nullptr;
  size_t size = 0;
  velmora_result* result = nullptr;
  velmora_options huge;
  velmora_options_init(&huge);
  huge.size = sizeof huge + 64;
  EXPECT_EQ(velmora_strip_buffer(in.data(), in.size(), &huge, &out, &size), VELMORA_EINVAL);
  EXPECT_EQ(velmora_strip_buffer(nullptr, 10, nullptr, &out, &size), VELMORA_EINVAL);
  EXPECT_EQ(velmora_strip_buffer(in.data(), in.size(), nullptr, nullptr, &size), VELMORA_EINVAL);
  EXPECT_EQ(velmora_strip_file(nullptr, nullptr), VELMORA_EINVAL);
  EXPECT_EQ(velmora_strip_file_ex("x.jpg", nullptr, 0, nullptr), VELMORA_EINVAL);
  EXPECT_EQ(velmora_strip_buffer_ex(in.data(), in.size(), &huge, 0, &result), VELMORA_EINVAL);
  EXPECT_EQ(result, nullptr);
}

TEST(LibraryResult, AFileIsReplacedWithItsBackupBesideItOrReportedNotLoaded) {
  const fs::path folder =
      fs::temp_directory_path() / ("velmora-result-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path photo = folder / "photo.jpg";
  const std::vector<uint8_t> in = photoWithExif();
  std::ofstream(photo, std::ios::binary)
      .write(reinterpret_cast<const char*>(in.data()), static_cast<std::streamsize>(in.size()));
  velmora_options options;
  velmora_options_init(&options);
  options.backup = 1;
  velmora_result* result = nullptr;
  ASSERT_EQ(velmora_strip_file_ex(photo.c_str(), &options, 0, &result), VELMORA_OK);
  const fs::path backup = velmora_result_backup_name(result);
  velmora_result_free(result);
  const auto read = [](const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
  };
  EXPECT_EQ(backup.filename(), "photo_bak.jpg");
  EXPECT_EQ(read(backup), in);
  uint8_t* out = nullptr;
  size_t size = 0;
  ASSERT_EQ(velmora_strip_buffer(in.data(), in.size(), nullptr, &out, &size), VELMORA_OK);
  EXPECT_EQ(read(photo), std::vector<uint8_t>(out, out + size));
  velmora_free(out);

  ASSERT_EQ(velmora_strip_file_ex((folder / "absent.jpg").c_str(), nullptr, 0, &result),
            VELMORA_NOT_LOADED);
  EXPECT_STRNE(velmora_result_reason(result), "");
  velmora_result_free(result);
  fs::remove_all(folder);
}

}  // namespace
