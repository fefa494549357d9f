// A long batch on a disk, cut short at a random moment by kill -9 or by a
// termination signal while saves wait in a group: every file is its old or
// its new self, every file reported written is new, and a signal the program
// can catch leaves no copy behind.
#include <gtest/gtest.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ProgramRunner.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace velmora::test {
namespace {

constexpr int kFiles = 2000;
constexpr long kTmpfsMagic = 0x01021994;

// A small photo of its own: Exif naming it, a scan of its own bytes, and
// bytes after the end of image, so that each file has one stripped form.
std::string photo(int index) {
  std::string b = "\xFF\xD8";
  const std::string exif = "Exif" + std::string(2, '\0') + "GPS of photo " + std::to_string(index);
  b += "\xFF\xE1";
  b += static_cast<char>((exif.size() + 2) >> 8);
  b += static_cast<char>((exif.size() + 2) & 0xFF);
  b += exif;
  b += std::string("\xFF\xDB\x00\x04\x00\x01", 6);
  b += std::string("\xFF\xC0\x00\x05\x08\x00\x01", 7);
  b += std::string("\xFF\xDA\x00\x03\x01", 5);
  std::mt19937 random(static_cast<unsigned>(index));
  for (int i = 0; i < 4000 + index % 3000; ++i) b += static_cast<char>(random() % 255);
  b += "\xFF\xD9";
  b += "trailer " + std::to_string(index);
  return b;
}

std::string name(int index) { return "p" + std::to_string(10000 + index) + ".jpg"; }

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class BatchOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    // A disk folder: /var/tmp is not a memory file system where /tmp may be.
    const fs::path base =
        fs::is_directory("/var/tmp") ? fs::path("/var/tmp") : fs::temp_directory_path();
    root = base / ("velmora-disk-" + std::to_string(getpid()));
    fs::remove_all(root);
    for (const char* sub : {"config/BRESKO", "run", "home", "photos"})
      fs::create_directories(root / sub);
    fs::permissions(root / "run", fs::perms::owner_all);
    writeFile(root / "config/BRESKO/velmora.ini", "[CONFIG]\nWave_Sound=0\n");
    struct statfs fs {};
    if (statfs(root.c_str(), &fs) == 0) RecordProperty("tmpfs", fs.f_type == kTmpfsMagic ? 1 : 0);
    for (int i = 0; i < kFiles; ++i) {
      originals.push_back(photo(i));
      args.push_back(name(i));
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  }

  void writeOriginals() {
    for (int i = 0; i < kFiles; ++i) writeFile(root / "photos" / name(i), originals[i]);
  }
  std::vector<std::string> copiesLeft() const {
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(root / "photos")) {
      const std::string file = entry.path().filename().string();
      if (file.rfind(".velmora-", 0) == 0) left.push_back(file);
    }
    return left;
  }

  fs::path root;
  std::vector<std::string> originals;
  std::vector<std::string> args;
};

TEST_F(BatchOnDisk, CutShortAtAnyMomentEachFileIsOldOrNewAndWrittenMeansOnDisk) {
  // The stripped form of each file, and how long the whole batch takes.
  writeOriginals();
  std::vector<std::string> jsonArgs = {"--json"};
  jsonArgs.insert(jsonArgs.end(), args.begin(), args.end());
  const auto start = std::chrono::steady_clock::now();
  const TRunResult full = RunProgram(VELMORA_PROGRAM, IsolatedOptions(root.string(), jsonArgs));
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(full.exitStatus, 0) << full.err;
  std::vector<std::string> stripped;
  for (int i = 0; i < kFiles; ++i) {
    stripped.push_back(ReadFile(root / "photos" / name(i)));
    ASSERT_NE(stripped.back(), originals[i]) << name(i);
  }

  const unsigned seed = TestSeed();
  SCOPED_TRACE(SeedTrace(seed));
  std::cout << "[ seed ] " << SeedTrace(seed) << "\n";
  std::mt19937 random(seed);
  const int signals[] = {SIGKILL, SIGTERM, SIGINT, SIGKILL, SIGHUP, SIGKILL, SIGTERM, SIGKILL};
  int oldFiles = 0, newFiles = 0;
  size_t reportedFiles = 0;
  for (const int signal : signals) {
    SCOPED_TRACE("signal " + std::to_string(signal));
    for (const std::string& copy : copiesLeft()) fs::remove(root / "photos" / copy);
    writeOriginals();
    TRunOptions options = IsolatedOptions(root.string(), jsonArgs);
    options.outputFile = (root / "reported.json").string();
    const pid_t pid = StartProgram(VELMORA_PROGRAM, options);
    std::this_thread::sleep_for(took * (random() % 100) / 100);
    kill(pid, signal);
    WaitProgram(pid);

    std::set<std::string> reported;
    std::ifstream lines(root / "reported.json");
    for (std::string line; std::getline(lines, line);) {
      const size_t file = line.find("{\"file\":\"");
      if (file == 0 && line.find("\"outcome\":\"written\"") != std::string::npos)
        reported.insert(line.substr(9, line.find('"', 9) - 9));
    }
    reportedFiles += reported.size();
    for (int i = 0; i < kFiles; ++i) {
      const std::string now = ReadFile(root / "photos" / name(i));
      if (now == originals[i]) {
        ++oldFiles;
        EXPECT_EQ(reported.count(name(i)), 0u) << name(i) << " was reported written but is old";
      } else if (now == stripped[i]) {
        ++newFiles;
      } else {
        ADD_FAILURE() << name(i) << " is neither old nor new (" << now.size() << " bytes)";
      }
    }
    // Only kill -9 leaves no chance to remove the copies of the saves that wait.
    if (signal != SIGKILL) {
      EXPECT_EQ(copiesLeft(), std::vector<std::string>{});
    }
  }
  std::cout << "[ measured ] after " << std::size(signals) << " cuts: " << oldFiles
            << " files old, " << newFiles << " new, " << reportedFiles << " reported written\n";
  RecordProperty("old", oldFiles);
  RecordProperty("new", newFiles);
}

}  // namespace
}  // namespace velmora::test
