// Many files stripped at once through the C API: each thread its own files,
// each output the bytes one thread alone makes of the same input.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "velmora/velmora.h"

namespace {

namespace fs = std::filesystem;

constexpr int kThreads = 8;
constexpr size_t kFiles = 400;

std::vector<uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<fs::path> corpusPhotos() {
  std::vector<fs::path> photos;
  if (!fs::is_directory(VELMORA_CORPUS_DIR)) return photos;
  for (const auto& entry : fs::directory_iterator(VELMORA_CORPUS_DIR)) {
    const std::string ending = entry.path().extension().string();
    if (ending == ".jpg" || ending == ".jpeg") photos.push_back(entry.path());
  }
  std::sort(photos.begin(), photos.end());
  return photos;
}

// What one thread makes of `input`: the code, and the bytes when written or clean.
struct TExpected {
  int code = 0;
  std::vector<uint8_t> bytes;
};

TExpected stripAlone(const std::vector<uint8_t>& input) {
  TExpected expected;
  uint8_t* out = nullptr;
  size_t size = 0;
  expected.code = velmora_strip_buffer(input.data(), input.size(), nullptr, &out, &size);
  if (out != nullptr) expected.bytes.assign(out, out + size);
  velmora_free(out);
  return expected;
}

// The photos' bytes, and what one thread makes of each.
struct TPhotoSet {
  std::vector<std::vector<uint8_t>> inputs;
  std::vector<TExpected> expected;
};

TPhotoSet readAndStripAlone(const std::vector<fs::path>& photos) {
  TPhotoSet set;
  for (const fs::path& photo : photos) {
    set.inputs.push_back(readAll(photo));
    set.expected.push_back(stripAlone(set.inputs.back()));
  }
  return set;
}

class LibraryThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() /
        ("velmora-threads-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
};

TEST_F(LibraryThreads, EightThreadsOnFourHundredFilesGiveTheBytesOfOneThread) {
  const std::vector<fs::path> photos = corpusPhotos();
  if (photos.empty()) GTEST_SKIP() << "no real photos beside the clone";
  const TPhotoSet set = readAndStripAlone(photos);
  const std::vector<std::vector<uint8_t>>& inputs = set.inputs;
  const std::vector<TExpected>& expected = set.expected;
  std::vector<fs::path> files;
  for (size_t i = 0; i < kFiles; ++i) {
    files.push_back(folder_ / ("photo" + std::to_string(i) + ".jpg"));
    writeAll(files.back(), inputs[i % inputs.size()]);
  }

  std::vector<int> codes(kFiles, -1);
  std::atomic<size_t> next{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (size_t i = next++; i < kFiles; i = next++)
        codes[i] = velmora_strip_file(files[i].c_str(), nullptr);
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (size_t i = 0; i < kFiles; ++i) {
    const TExpected& want = expected[i % inputs.size()];
    SCOPED_TRACE(photos[i % inputs.size()].filename().string());
    EXPECT_EQ(codes[i], want.code);
    EXPECT_EQ(readAll(files[i]), want.code == VELMORA_OK ? want.bytes : inputs[i % inputs.size()]);
  }
}

TEST_F(LibraryThreads, ResultsOfBufferRunsAtOnceAgreeWithOneThread) {
  const std::vector<fs::path> photos = corpusPhotos();
  if (photos.empty()) GTEST_SKIP() << "no real photos beside the clone";
  const TPhotoSet set = readAndStripAlone(photos);
  const std::vector<std::vector<uint8_t>>& inputs = set.inputs;
  const std::vector<TExpected>& expected = set.expected;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (size_t i = 0; i < kFiles / kThreads; ++i) {
        const size_t which = i % inputs.size();
        velmora_result* result = nullptr;
        const int code = velmora_strip_buffer_ex(inputs[which].data(), inputs[which].size(),
                                                 nullptr, VELMORA_WANT_TRACE, &result);
        size_t size = 0;
        const uint8_t* out = velmora_result_output(result, &size);
        const std::vector<uint8_t> bytes =
            out != nullptr ? std::vector<uint8_t>(out, out + size) : std::vector<uint8_t>();
        if (code != expected[which].code || bytes != expected[which].bytes ||
            velmora_result_trace_count(result) == 0)
          ++mismatches;
        velmora_result_free(result);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
