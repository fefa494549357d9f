#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <thread>

#include "TestSupport.h"
#include "engine/StripOutput.h"
#include "platform/Files.h"

namespace velmora::test {

using namespace platform;
namespace {

using Names = std::vector<std::string>;

void save(const std::string& path, const std::string& content) {
  SaveFileAtomically(path, content.data(), content.size());
}

// The message of the EFileError a save throws, or "" when it does not throw.
std::string saveError(const std::string& path, const std::string& content) {
  try {
    save(path, content);
  } catch (const EFileError& error) {
    return error.what();
  }
  return "";
}

TEST(SaveFileAtomically, ReplacesTheContentAndKeepsThePermissionBits) {
  const struct {
    std::string before;
    std::string after;
    mode_t mode;
  } cases[] = {
      {"the original, longer than its replacement", "short", 0640},
      {"", std::string("\xFF\xD8\0\xFF\xD9", 5), 0600},
      {"x", "", 0604},
      {"abc", velmora::test::RandomBytes(1 << 20, 3), 0755},
  };
  for (const auto& c : cases) {
    TScratchFolder folder;
    const std::string path = folder / "photo.jpg";
    WriteFile(path, c.before, c.mode);
    save(path, c.after);
    EXPECT_EQ(ReadFile(path), c.after);
    EXPECT_EQ(ModeOf(path), c.mode);
    EXPECT_EQ(folder.Names(), Names{"photo.jpg"});
  }
}

TEST(SaveFileAtomically, WritesThePiecesInOrderAlsoBeyondOneSystemCall) {
  // More pieces than one vectored write takes, empty ones among them, and one
  // large piece that a single write may take only in part.
  TScratchFolder folder;
  const std::string big(3 << 20, 'z');
  std::vector<std::string> texts;
  for (int i = 0; i < 2500; ++i) texts.push_back(i % 7 == 0 ? "" : std::to_string(i) + ",");
  ExifData::TBytePieces pieces;
  std::string expected;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i == 1200) {
      pieces.emplace_back(reinterpret_cast<const uint8_t*>(big.data()), big.size());
      expected += big;
    }
    pieces.emplace_back(reinterpret_cast<const uint8_t*>(texts[i].data()), texts[i].size());
    expected += texts[i];
  }
  const std::string path = folder / "a.jpg";
  WriteFile(path, "old");
  SaveFileAtomically(path, pieces);
  EXPECT_EQ(ReadFile(path), expected);
}

// The save writes a long scan as it pulls it, chunks that may run past the
// output's end or stop short of it, and the file gets exactly the output:
// the rest written, the excess cut, nothing left beside it.
TEST(SaveFileAtomically, WritesAPulledOutputWholeAndCutAtItsEnd) {
  const std::string content = velmora::test::RandomBytes(1 << 20, 5);
  const auto* bytes = reinterpret_cast<const uint8_t*>(content.data());
  const std::string head = "HEAD";
  // Pulls hand out 256 KiB at a time from byte 1000 of the content.
  class TChunks : public ExifData::TPulledOutput {
   public:
    TChunks(ExifData::TBytePieces known, const uint8_t* from, size_t pulls,
            ExifData::TBytePieces whole)
        : known_(std::move(known)), from_(from), pulls_(pulls), whole_(std::move(whole)) {}
    ExifData::TBytePieces Known() override { return known_; }
    std::span<const uint8_t> Pull() override {
      if (pulls_ == 0) return {};
      --pulls_;
      const std::span<const uint8_t> chunk{from_, size_t{256} << 10};
      from_ += chunk.size();
      return chunk;
    }
    ExifData::TBytePieces Pieces() override { return whole_; }

   private:
    ExifData::TBytePieces known_;
    const uint8_t* from_;
    size_t pulls_;
    ExifData::TBytePieces whole_;
  };
  const struct {
    const char* what;
    size_t pulls;
    size_t end;  // the output's last piece ends at this byte of the content
  } cases[] = {
      {"nothing pulled", 0, 900000},
      {"pulled past the end", 3, 700000},
      {"pulled short of the end", 1, 1 << 20},
      {"pulled to the end exactly", 2, 1000 + (size_t{512} << 10)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScratchFolder folder;
    const std::string path = folder / "photo.jpg";
    WriteFile(path, "the original");
    const ExifData::TBytePieces known{{reinterpret_cast<const uint8_t*>(head.data()), head.size()}};
    ExifData::TBytePieces whole = known;
    whole.emplace_back(bytes + 1000, c.end - 1000);
    TChunks output(known, bytes + 1000, c.pulls, whole);
    SaveFileAtomically(path, nullptr, output);
    EXPECT_EQ(ReadFile(path), head + content.substr(1000, c.end - 1000));
    EXPECT_EQ(folder.Names(), Names{"photo.jpg"});
  }
}

// True when this process holds `path` open.
bool heldOpen(const std::string& path) {
  const std::filesystem::path wanted = std::filesystem::canonical(path);
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(entry.path(), error) == wanted) return true;
  }
  return false;
}

// The load's handle holds the file and its folder open for the save, and
// nothing more: they close with it.
TEST(SaveFileAtomically, TheLoadsHandleHoldsTheFileUntilItGoes) {
  TScratchFolder folder;
  const std::string path = folder / "photo.jpg";
  WriteFile(path, velmora::test::RandomBytes(1 << 20, 6));
  TPlatformFiles files;
  ExifData::TMemoryStream stream;
  ExifData::TLoadResult load = files.LoadFile(path, stream);
  ASSERT_EQ(load.kind, ExifData::TLoadResult::TKind::Loaded);
  EXPECT_TRUE(heldOpen(path));
  EXPECT_TRUE(heldOpen(folder.Path()));
  load.handle.reset();
  EXPECT_FALSE(heldOpen(path));
  EXPECT_FALSE(heldOpen(folder.Path()));
  EXPECT_EQ(folder.Names(), Names{"photo.jpg"});
}

TEST(SaveFileAtomically, FollowsAChainOfLinksAndKeepsTheLinks) {
  TScratchFolder folder;
  mkdir((folder / "real").c_str(), 0755);
  WriteFile(folder / "real/photo.jpg", "old", 0640);
  ASSERT_EQ(symlink("real/photo.jpg", (folder / "link.jpg").c_str()), 0);  // relative target
  ASSERT_EQ(symlink((folder / "link.jpg").c_str(), (folder / "outer.jpg").c_str()), 0);
  save(folder / "outer.jpg", "new");
  EXPECT_EQ(ReadFile(folder / "real/photo.jpg"), "new");
  EXPECT_EQ(ModeOf(folder / "real/photo.jpg"), 0640);
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "outer.jpg"));
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.jpg"));
  EXPECT_EQ(std::filesystem::read_symlink(folder / "link.jpg"), "real/photo.jpg");
  EXPECT_EQ(folder.Names(), (Names{"link.jpg", "outer.jpg", "real"}));
}

// A save never creates a file: the photo it replaces must exist.
TEST(SaveFileAtomically, RefusesWhatAnInPlaceWriteCouldNotOpenAndTouchesNothing) {
  TScratchFolder folder;
  WriteFile(folder / "readonly.jpg", "old", 0444);  // binds root too
  mkdir((folder / "folder.jpg").c_str(), 0755);
  WriteFile(folder / "file", "old");
  ASSERT_EQ(symlink("later.jpg", (folder / "dangling.jpg").c_str()), 0);
  const Names before = folder.Names();
  const struct {
    std::string name;
    std::string reason;
  } cases[] = {
      {"readonly.jpg", "Permission denied"},
      {"folder.jpg", "Is a directory"},
      {"missing/photo.jpg", "No such file or directory"},
      {"missing.jpg", "No such file or directory"},
      {"dangling.jpg", "No such file or directory"},
      {"file/photo.jpg", "Not a directory"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(saveError(folder / c.name, "new"),
              "Cannot create file " + (folder / c.name) + ". " + c.reason);
  }
  EXPECT_EQ(ReadFile(folder / "readonly.jpg"), "old");
  EXPECT_EQ(ModeOf(folder / "readonly.jpg"), 0444);
  EXPECT_EQ(folder.Names(), before);
}

TEST(SaveFileAtomically, RefusesAnotherUsersFileAndAReadOnlyFolderForAnUnprivilegedUser) {
  TScratchFolder folder;
  // Root's file, readable by all, in a folder open to all.
  WriteFile(folder / "theirs.jpg", "old", 0644);
  // A file anyone may write, in a folder only root may change.
  mkdir((folder / "locked").c_str(), 0755);
  WriteFile(folder / "locked/shared.jpg", "old", 0666);
  if (geteuid() != 0) GTEST_SKIP() << "needs root to own the files";
  EXPECT_UNPRIVILEGED([&]() -> std::string {
    std::string problems;
    for (const std::string name : {"theirs.jpg", "locked/shared.jpg"}) {
      const std::string expected = "Cannot create file " + (folder / name) + ". Permission denied";
      if (const std::string got = saveError(folder / name, "new"); got != expected) {
        problems += name + ": " + got + "\n";
      }
    }
    return problems;
  });
  EXPECT_EQ(ReadFile(folder / "theirs.jpg"), "old");
  EXPECT_EQ(ReadFile(folder / "locked/shared.jpg"), "old");
  EXPECT_EQ(folder.Names(), (Names{"locked", "theirs.jpg"}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "locked"), {}), 1);
}

// A small file system of its own, unmounted when the scope ends.
class TSmallDisk {
 public:
  explicit TSmallDisk(const std::string& at) : at_(at) {
    mkdir(at.c_str(), 0755);
    mounted_ = mount("tmpfs", at.c_str(), "tmpfs", 0, "size=256k") == 0;
  }
  ~TSmallDisk() {
    if (mounted_) umount2(at_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string at_;
  bool mounted_ = false;
};

TEST(SaveFileAtomically, FullDiskGivesTheWriteErrorAndKeepsTheOldFile) {
  TScratchFolder folder;
  const TSmallDisk disk(folder / "disk");
  if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  const std::string path = folder / "disk/photo.jpg";
  const std::string old = velmora::test::RandomBytes(64 << 10, 1);
  WriteFile(path, old);
  EXPECT_EQ(saveError(path, velmora::test::RandomBytes(512 << 10, 2)),
            "Cannot write to file " + path + ". No space left on device");
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "disk"), {}), 1);
}

TEST(SaveFileAtomically, ProcessKilledWhileSavingLeavesTheWholeOldOrWholeNewFile) {
  TScratchFolder folder;
  const std::string path = folder / "photo.jpg";
  const std::string versions[] = {velmora::test::RandomBytes(4 << 20, 10),
                                  velmora::test::RandomBytes(3 << 20, 11)};
  WriteFile(path, versions[0]);
  const unsigned seed = velmora::test::TestSeed();
  SCOPED_TRACE(velmora::test::SeedTrace(seed));
  std::mt19937 random(seed);
  int newSeen = 0;
  for (int round = 0; round < 24; ++round) {
    velmora::test::TRoundCounter saves;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        for (int i = 1;; ++i) {
          save(path, versions[i % 2]);
          saves.Report();
        }
      } catch (...) {
        _exit(1);
      }
    }
    // After two or three whole saves (the new version, then the old, then the
    // new again), somewhere in the next one.
    std::chrono::microseconds saveTook{};
    ASSERT_TRUE(saves.WaitForRounds(2 + round % 2, saveTook)) << "the saving child ended";
    std::this_thread::sleep_for(saveTook * (random() % 100) / 100);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const std::string now = ReadFile(path);
    const bool whole = now == versions[0] || now == versions[1];
    EXPECT_TRUE(whole) << "round " << round << ": " << now.size() << " bytes of neither version";
    if (now == versions[1]) ++newSeen;
  }
  // The kills must have landed while saves went on, or the test proves nothing.
  EXPECT_GT(newSeen, 0);
}

}  // namespace
}  // namespace velmora::test

namespace velmora::test {
namespace {

using Names = std::vector<std::string>;

// Four photos loaded and backed up, their saves begun together, the way a
// batch begins them before it waits for the disk once for all.
struct TGroupOfSaves {
  explicit TGroupOfSaves(const TScratchFolder& folder) {
    for (const char* name : {"a", "b", "c", "d"}) {
      const std::string path = folder / (std::string(name) + ".jpg");
      WriteFile(path, std::string("old ") + name);
      paths.push_back(path);
    }
    for (const std::string& path : paths) {
      loads.emplace_back();
      streams.push_back(std::make_unique<ExifData::TMemoryStream>());
      loads.back() = files.LoadFile(path, *streams.back());
      EXPECT_EQ(files.CopyToBackup(path, path + ".bak", loads.back().handle.get()),
                ExifData::TBackupOutcome::Written);
      const std::string content = "new " + path;
      ExifData::TKnownOutput output(
          {{reinterpret_cast<const uint8_t*>(content.data()), content.size()}});
      saves.push_back(BeginSave(path, loads.back().handle.get(), output));
      EXPECT_NE(saves.back(), nullptr);
    }
  }
  std::vector<platform::TPendingSave*> Pending() const {
    std::vector<platform::TPendingSave*> pending;
    for (const auto& save : saves) pending.push_back(save.get());
    return pending;
  }

  platform::TPlatformFiles files;
  std::vector<std::string> paths;
  std::vector<std::unique_ptr<ExifData::TMemoryStream>> streams;
  std::vector<ExifData::TLoadResult> loads;
  std::vector<std::unique_ptr<platform::TPendingSave>> saves;
};

// While the saves wait, the files are untouched; a file changed meanwhile,
// whichever way, is refused at its turn and only it, and its backup can
// still be taken back although backups of later files were written since.
TEST(SavesInAGroup, AFileChangedWhileItsSaveWaitsIsRefusedAndTheOthersAreWritten) {
  const struct {
    const char* what;
    std::function<void(const std::string&)> change;
    std::string after;  // the file once the group is finished
  } cases[] = {
      {"another program writes on", [](const std::string& p) { WriteFile(p, "old b, and more"); },
       "old b, and more"},
      {"another file takes the name",
       [](const std::string& p) {
         WriteFile(p + ".other", "another");
         std::filesystem::rename(p + ".other", p);
       },
       "another"},
      {"the file is removed", [](const std::string& p) { std::filesystem::remove(p); },
       "<missing>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScratchFolder folder;
    TGroupOfSaves group(folder);
    for (const std::string& path : group.paths) EXPECT_EQ(ReadFile(path).substr(0, 4), "old ");
    c.change(group.paths[1]);

    const std::vector<std::exception_ptr> errors = FinishSaves(group.Pending());
    ASSERT_EQ(errors.size(), 4u);
    for (size_t i : {0, 2, 3}) {
      EXPECT_EQ(errors[i], nullptr);
      EXPECT_EQ(ReadFile(group.paths[i]), "new " + group.paths[i]);
    }
    ASSERT_NE(errors[1], nullptr);
    EXPECT_THROW(std::rethrow_exception(errors[1]), EFileChanged);
    EXPECT_EQ(ReadFile(group.paths[1]), c.after);
    EXPECT_TRUE(group.files.RemoveBackup(group.paths[1] + ".bak"));
    group.saves.clear();
    Names expected = {"a.jpg", "a.jpg.bak", "b.jpg", "c.jpg", "c.jpg.bak", "d.jpg", "d.jpg.bak"};
    if (c.after == "<missing>") expected.erase(expected.begin() + 2);
    EXPECT_EQ(folder.Names(), expected);
  }
}

TEST(SavesInAGroup, SavesDroppedBeforeTheirTurnLeaveEveryFileAsItWas) {
  TScratchFolder folder;
  {
    TGroupOfSaves group(folder);
    EXPECT_EQ(folder.Names().size(), 12u);  // four photos, four backups, four copies
  }
  EXPECT_EQ(folder.Names(), (Names{"a.jpg", "a.jpg.bak", "b.jpg", "b.jpg.bak", "c.jpg", "c.jpg.bak",
                                   "d.jpg", "d.jpg.bak"}));
  EXPECT_EQ(ReadFile(folder / "c.jpg"), "old c");
}

}  // namespace
}  // namespace velmora::test
