// The built program without a display, end to end: real photos, files it must
// refuse, exit statuses, the guard, and the faults a save must survive.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <thread>
#include <utility>

#include "ProgramRunner.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace velmora::test {
namespace {

using Bytes = std::string;

Bytes readFile(const fs::path& path) { return velmora::test::ReadFile(path); }

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A baseline JPEG with an Exif segment, `scanBytes` of scan data and bytes after its end.
Bytes syntheticJpeg(size_t scanBytes) {
  Bytes b = "\xFF\xD8";
  b += Bytes(
      "\xFF\xE1\x00\x11"
      "Exif\0\0secretGPS",
      19);
  b += Bytes("\xFF\xDB\x00\x04\x00\x01", 6);
  b += Bytes("\xFF\xC0\x00\x05\x08\x00\x01", 7);
  b += Bytes("\xFF\xDA\x00\x03\x01", 5);
  std::mt19937 random(7);
  for (size_t i = 0; i < scanBytes; ++i) b += static_cast<char>(random() % 255);  // never 0xFF
  b += "\xFF\xD9";
  b += "appended private data";
  return b;
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    root = FreshTestFolder("velmora-e2e-");
    for (const char* sub : {"config", "run", "home", "photos"}) fs::create_directories(root / sub);
    // Everyone may work here: some tests run the program as an unprivileged user.
    for (const auto& entry : fs::recursive_directory_iterator(root))
      chmod(entry.path().c_str(), 0777);
    chmod(root.c_str(), 0777);
    chmod((root / "run").c_str(), 0700);
    settings("Wave_Sound=0\n");
  }
  void TearDown() override {
    std::error_code ignored;
    umount2((root / "photos").c_str(), MNT_DETACH);
    fs::remove_all(root, ignored);
  }

  void settings(const std::string& keys) {
    fs::create_directories(root / "config/BRESKO");
    writeFile(root / "config/BRESKO/velmora.ini", "[CONFIG]\n" + keys);
    chmod((root / "config/BRESKO").c_str(), 0777);
    chmod((root / "config/BRESKO/velmora.ini").c_str(), 0666);
  }

  TRunOptions options(std::vector<std::string> args) const {
    return IsolatedOptions(root.string(), std::move(args));
  }

  TRunResult run(std::vector<std::string> args) {
    return RunProgram(VELMORA_PROGRAM, options(std::move(args)));
  }

  TRunResult runAs(uid_t user, std::vector<std::string> args) {
    // The settings are the user's own: they are never written into a folder of another user.
    for (const char* own : {"run", "config/BRESKO", "config/BRESKO/velmora.ini"})
      chown((root / own).c_str(), user, user);
    auto o = options(std::move(args));
    o.user = user;
    return RunProgram(VELMORA_PROGRAM, o);
  }

  void requireRoot() {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to play another user";
  }

  std::vector<std::string> folderEntries(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path root;
};

TEST_F(Program, StripsRealPhotosAndReportsEachOnStandardOutput) {
  const fs::path corpus = VELMORA_CORPUS_DIR;
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no photo corpus beside the clone";
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(corpus)) {
    const auto ext = e.path().extension().string();
    if (ext != ".jpg" && ext != ".jpeg" && ext != ".mpo") continue;
    fs::copy_file(e.path(), root / "photos" / e.path().filename());
    chmod((root / "photos" / e.path().filename()).c_str(), 0644);  // the corpus is read-only
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  const auto result = run(names);

  // One block per file, in argument order, each closed by two empty lines.
  size_t at = 0;
  for (const auto& name : names) {
    at = result.out.find("-----<" + name + ">-----\n", at);
    ASSERT_NE(at, std::string::npos) << name << "\n" << result.out << result.err;
  }
  size_t blocks = 0;
  for (size_t p = result.out.find("\n\n\n"); p != std::string::npos;
       p = result.out.find("\n\n\n", p + 3))
    ++blocks;
  EXPECT_EQ(blocks, names.size());
  const bool warned = result.err.find("Warning: ") != std::string::npos;
  EXPECT_EQ(result.exitStatus, warned ? 1 : 0) << result.err;

  for (const auto& name : names) {
    const Bytes before = readFile(corpus / name);
    const Bytes after = readFile(root / "photos" / name);
    if (after == before) continue;  // refused, reported on standard error
    EXPECT_EQ(after.substr(0, 2), "\xFF\xD8") << name;
    EXPECT_LT(after.size(), before.size() + 64) << name;
  }
  EXPECT_EQ(folderEntries(root / "photos").size(), names.size()) << "no stray files";
  EXPECT_TRUE(fs::exists(root / "config/BRESKO/velmora.ini"));
}

// In the language of the system, or of the settings when they name one; the
// trace lines, "Strip error." and the count of outcomes never change.
TEST_F(Program, FilesItCannotStripAreNamedAndLeftAlone) {
  writeFile(root / "photos/notes.txt", "hello");
  const std::string missing = (root / "photos/missing.jpg").string();
  // A name that begins with a dash is a file when written as a path.
  const std::string help = (root / "photos/./--help").string();
  struct TCase {
    const char* what;
    const char* setting;  // the Language key
    const char* lang;     // LANG; nullptr: unset
    bool japanese;
  };
  const TCase cases[] = {
      {"no locale", "", nullptr, false},
      {"English system", "", "en_US.UTF-8", false},
      {"Japanese system", "", "ja_JP.UTF-8", true},
      {"Japanese chosen on an English system", "ja", "en_US.UTF-8", true},
      {"English chosen on a Japanese system", "en", "ja_JP.UTF-8", false},
      {"unknown language chosen", "eo", "ja_JP.UTF-8", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    settings(std::string("Wave_Sound=0\nLanguage=") + c.setting + "\n");
    auto o = options({"notes.txt", "missing.jpg", "./--help"});
    if (c.lang != nullptr) o.env["LANG"] = c.lang;
    const auto result = RunProgram(VELMORA_PROGRAM, o);
    EXPECT_EQ(result.exitStatus, 1);
    const auto cannotOpen = [&](const std::string& path) {
      return c.japanese ? "ファイル " + path + " は開けません。 No such file or directory "
                        : "Cannot open file " + path + ". No such file or directory";
    };
    EXPECT_EQ(result.out,
              "-----<notes.txt>-----\n  *** Not Jpeg file. Marker=$6865\n\n\n"
              "-----<missing.jpg>-----\n" +
                  cannotOpen(missing) +
                  "\n\n\n"
                  "-----<--help>-----\n" +
                  cannotOpen(help) + "\n\n\n");
    const std::string warning = c.japanese ? "警告" : "Warning";
    EXPECT_EQ(result.err,
              warning + ": Strip error.\n<notes.txt> \n" + warning +
                  ": Strip error.\n<missing.jpg> \n" + warning +
                  ": Strip error.\n<--help> \n"
                  "velmora: 0 written, 0 already clean, 3 not written (2 not loaded, 1 not JPEG), "
                  "0 not handled.\n");
    EXPECT_EQ(readFile(root / "photos/notes.txt"), "hello");
    // The setting is kept as it was.
    EXPECT_NE(readFile(root / "config/BRESKO/velmora.ini")
                  .find(std::string("Language=") + c.setting + "\n"),
              std::string::npos);
  }
}

TEST_F(Program, StripsAndWritesTheSettingsBack) {
  writeFile(root / "photos/a.jpg", syntheticJpeg(1000));
  const auto result = run({"a.jpg"});
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "velmora: 1 written, 0 already clean, 0 not written, 0 not handled.\n");
  const Bytes out = readFile(root / "photos/a.jpg");
  EXPECT_EQ(out.find("secretGPS"), std::string::npos);
  EXPECT_EQ(out.find("appended private data"), std::string::npos);
  EXPECT_NE(out.find(Bytes("Modified by velmora v0.1.3d\0", 28)), std::string::npos);
  EXPECT_EQ(readFile(root / "config/BRESKO/velmora.ini"),
            "[CONFIG]\nWrite_Comment=1\nWrite_JFIF=0\nOriginal_JFIF=0\nDelete_after_EOI=1\n"
            "Save_Original_File=0\nWrite_APP14=1\nWave_Sound=0\nWave_Change=0\n"
            "Keep_Orientation=0\nKeep_ICC=0\nLanguage=\n");
}

TEST_F(Program, KeepsOrientationAndColourProfileWhenTheSettingsSaySo) {
  // SOI; Exif, big-endian: IFD0 with the camera make and Orientation 6, and
  // more after it; an ICC profile chunk; a multi-picture index; the image.
  const Bytes exif(
      "\xFF\xE1\x00\x37"
      "Exif\0\0"
      "MM\x00\x2A\x00\x00\x00\x08"
      "\x00\x02"
      "\x01\x0F\x00\x02\x00\x00\x00\x04"
      "Cam\0"
      "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
      "\x00\x00\x00\x00"
      "secretGPS",
      57);
  const Bytes icc(
      "\xFF\xE2\x00\x14"
      "ICC_PROFILE\0\x01\x01"
      "prof",
      22);
  const Bytes mpf(
      "\xFF\xE2\x00\x08"
      "MPF\0II",
      10);
  const Bytes image = syntheticJpeg(500).substr(2 + 19);
  const Bytes input = "\xFF\xD8" + exif + icc + mpf + image;
  const Bytes orientation(
      "\xFF\xE1\x00\x22"
      "Exif\0\0"
      "MM\x00\x2A\x00\x00\x00\x08"
      "\x00\x01"
      "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
      "\x00\x00\x00\x00",
      36);

  writeFile(root / "photos/a.jpg", input);
  settings("Wave_Sound=0\nWrite_Comment=0\nDelete_after_EOI=0\n");
  ASSERT_EQ(run({"a.jpg"}).exitStatus, 0);
  EXPECT_EQ(readFile(root / "photos/a.jpg"), "\xFF\xD8" + image);

  writeFile(root / "photos/a.jpg", input);
  settings("Wave_Sound=0\nWrite_Comment=0\nDelete_after_EOI=0\nKeep_Orientation=1\nKeep_ICC=1\n");
  const auto result = run({"a.jpg"});
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(readFile(root / "photos/a.jpg"), "\xFF\xD8" + orientation + icc + image);
  // The log is the same either way: the inserted segment has no line.
  EXPECT_NE(result.out.find("ADRS=$000002 MARK=$FFE1 APP1\nADRS=$00003B MARK=$FFE2 APP2\n"
                            "ADRS=$000051 MARK=$FFE2 APP2\nADRS=$00005B MARK=$FFDB DQI\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(readFile(root / "config/BRESKO/velmora.ini").find("Keep_Orientation=1\nKeep_ICC=1\n"),
            std::string::npos);
}

TEST_F(Program, NoArgumentsAndNoDisplayEndsWithStatus2) {
  fs::remove_all(root / "config/BRESKO");
  const auto result = run({});
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_FALSE(fs::exists(root / "config/BRESKO"));
}

TEST_F(Program, ChimeWithoutAudioDeviceIsSkippedSilently) {
  settings("");  // the default chime, 16
  writeFile(root / "photos/a.jpg", syntheticJpeg(100));
  auto o = options({"a.jpg"});
  o.env["SDL_AUDIODRIVER"] = "nonexistent";
  const auto result = RunProgram(VELMORA_PROGRAM, o);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "velmora: 1 written, 0 already clean, 0 not written, 0 not handled.\n");
}

TEST_F(Program, WithoutDisplayLoadsNeitherToolkitNorAudioLibraries) {
  // The window and the chime player are modules loaded when needed; a run
  // without a display and without a chime must start without their libraries.
  writeFile(root / "photos/a.jpg", syntheticJpeg(100));
  auto o = options({"a.jpg"});
  o.env["LD_DEBUG"] = "libs";
  const auto result = RunProgram(VELMORA_PROGRAM, o);
  EXPECT_EQ(result.exitStatus, 0);
  ASSERT_NE(result.err.find("libstdc++"), std::string::npos) << "the loader's trace is missing";
  for (const char* library :
       {"libwx", "libgtk", "libX11", "libxcb", "libSDL2", "velmora-window", "velmora-sound"}) {
    EXPECT_EQ(result.err.find(library), std::string::npos) << library;
  }
}

TEST_F(Program, ChimeLoadsTheAudioLibraryOnlyWhereOutputMayExist) {
  // Without a sound server's socket, a playback device or a driver named by
  // the user, the chime is silent without loading the audio module at all.
  bool playbackDevice = false;
  std::error_code none;
  for (const auto& entry : fs::directory_iterator("/dev/snd", none)) {
    const std::string name = entry.path().filename();
    playbackDevice |= name.rfind("pcmC", 0) == 0 && name.back() == 'p';
  }
  settings("");  // the default chime, 16
  writeFile(root / "photos/a.jpg", syntheticJpeg(100));
  struct TCase {
    const char* what;
    std::map<std::string, std::string> env;
    const char* socket;  // made below the runtime folder
    bool loaded;
  };
  const TCase cases[] = {
      {"no audio endpoint", {}, nullptr, false},
      {"driver named", {{"SDL_AUDIODRIVER", "nonexistent"}}, nullptr, true},
      {"sound server socket", {}, "pulse/native", true},
  };
  for (const TCase& c : cases) {
    if (!c.loaded && playbackDevice) continue;  // this machine has a sound card
    fs::remove_all(root / "run/pulse");
    if (c.socket != nullptr) {
      fs::create_directories((root / "run" / c.socket).parent_path());
      writeFile(root / "run" / c.socket, "");
    }
    writeFile(root / "photos/a.jpg", syntheticJpeg(100));
    auto o = options({"a.jpg"});
    o.env["LD_DEBUG"] = "libs";
    for (const auto& [key, value] : c.env) o.env[key] = value;
    const auto result = RunProgram(VELMORA_PROGRAM, o);
    EXPECT_EQ(result.exitStatus, 0) << c.what;
    ASSERT_NE(result.err.find("libstdc++"), std::string::npos) << "the loader's trace is missing";
    EXPECT_EQ(result.err.find("velmora-sound") != std::string::npos, c.loaded) << c.what;
  }
}

TEST_F(Program, SecondCopyEndsAtOnceAndTouchesNothing) {
  // This test process plays the first copy: it holds the session's guard.
  const fs::path lockFile = root / "run/{0AEE3B1E-A5E1-43DB-9659-667DEEA2C865}.lock";
  const int held = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  writeFile(root / "photos/a.jpg", syntheticJpeg(100));
  const Bytes before = readFile(root / "photos/a.jpg");
  const Bytes settingsBefore = readFile(root / "config/BRESKO/velmora.ini");

  const auto second = run({"a.jpg"});
  EXPECT_EQ(second.exitStatus, 3);
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(second.err, "velmora: another copy is running; nothing was done.\n");
  EXPECT_EQ(readFile(root / "photos/a.jpg"), before);
  EXPECT_EQ(readFile(root / "config/BRESKO/velmora.ini"), settingsBefore);

  close(held);  // the first copy ends
  EXPECT_EQ(run({"a.jpg"}).exitStatus, 0) << "the guard is free again";
}

TEST_F(Program, ReadOnlyFileIsRefusedAndStopsTheBatch) {
  requireRoot();
  writeFile(root / "photos/a.jpg", syntheticJpeg(100));
  writeFile(root / "photos/b.jpg", syntheticJpeg(100));
  const Bytes original = readFile(root / "photos/a.jpg");
  chmod((root / "photos/a.jpg").c_str(), 0644);  // root's file: nobody may not write it
  chmod((root / "photos/b.jpg").c_str(), 0666);

  const auto asUser = runAs(kNobody, {"a.jpg", "b.jpg"});
  EXPECT_EQ(asUser.exitStatus, 1);
  EXPECT_NE(asUser.err.find("velmora: a.jpg: Cannot create file "), std::string::npos)
      << asUser.err;
  EXPECT_NE(asUser.err.find("velmora: 0 written, 0 already clean, 1 not written (1 error), "
                            "1 not handled.\n"),
            std::string::npos)
      << asUser.err;
  EXPECT_NE(asUser.err.find("Cannot create file "), std::string::npos) << asUser.err;
  EXPECT_EQ(readFile(root / "photos/a.jpg"), original);
  EXPECT_EQ(readFile(root / "photos/b.jpg"), original) << "the batch stops at the failing file";

  chmod((root / "photos/a.jpg").c_str(), 0444);  // no write bit binds root too
  EXPECT_EQ(run({"a.jpg"}).exitStatus, 1);
  EXPECT_EQ(readFile(root / "photos/a.jpg"), original);
  EXPECT_EQ(folderEntries(root / "photos"), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST_F(Program, BackupThatCannotBeWrittenKeepsTheFile) {
  requireRoot();
  settings("Wave_Sound=0\nSave_Original_File=1\n");
  writeFile(root / "photos/a.jpg", syntheticJpeg(100));
  writeFile(root / "photos/b.jpg", syntheticJpeg(100));
  const Bytes original = readFile(root / "photos/a.jpg");
  chown((root / "photos/a.jpg").c_str(), kNobody, kNobody);
  chmod((root / "photos").c_str(), 0755);  // nobody may not add a file beside it

  const auto result = runAs(kNobody, {"a.jpg"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.out.find("  *** Backup copy failed: a_bak.jpg. File not overwritten.\n\n\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(
      result.err,
      "Warning: Strip error.\n<a.jpg> \n"
      "velmora: 0 written, 0 already clean, 1 not written (1 backup failed), 0 not handled.\n");
  EXPECT_EQ(readFile(root / "photos/a.jpg"), original);
}

// Sets or clears the immutable attribute; false where the file system has none.
bool setImmutable(const fs::path& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) close(fd);
  return done;
}

// A backup is a copy of a file that is then stripped. A file the save refuses
// gets none; when the replace fails after the backup was written (the disk
// fills up between the two), the backup goes again.
TEST_F(Program, NoBackupIsLeftOfAFileThatWasNotReplaced) {
  requireRoot();
  // clang-format off
  struct Case {
    const char* what;
    std::function<bool()> fault;  // false: not possible here, skipped
    bool asNobody;
    const char* line;             // in the file's block
  } const cases[] = {
      {"another user's file", [&] { return chmod((root / "photos/a.jpg").c_str(), 0644) == 0; },
       true, "-----<a.jpg>-----"},
      {"no write bit", [&] { return chmod((root / "photos/a.jpg").c_str(), 0444) == 0; },
       false, "-----<a.jpg>-----"},
      {"immutable", [&] { return setImmutable(root / "photos/a.jpg", true); },
       false, "-----<a.jpg>-----"},
      {"disk full after the backup", [&] {
         // The backup fits; the new file beside it does not.
         if (mount("tmpfs", (root / "photos").c_str(), "tmpfs", 0, "size=512k,mode=0777") != 0)
           return false;
         writeFile(root / "photos/a.jpg", syntheticJpeg(150 * 1024));
         std::ofstream fill(root / "photos/fill", std::ios::binary);
         const std::string block(4096, '\0');
         while (fill.write(block.data(), block.size())) {
         }
         fill.close();
         fs::resize_file(root / "photos/fill",
                         fs::file_size(root / "photos/fill") - (150 + 64) * 1024);
         return true;
       }, false, "  Backup copy removed (file not overwritten): a_bak.jpg"},
  };
  // clang-format on
  settings("Wave_Sound=0\nSave_Original_File=1\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(root / "photos/a.jpg", syntheticJpeg(150 * 1024));
    if (!c.fault()) {
      std::cout << "skipped: " << c.what << " is not possible here\n";
      continue;
    }
    const Bytes original = readFile(root / "photos/a.jpg");
    std::vector<std::string> before = folderEntries(root / "photos");
    const auto result = c.asNobody ? runAs(kNobody, {"a.jpg"}) : run({"a.jpg"});
    setImmutable(root / "photos/a.jpg", false);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.out.find(c.line), std::string::npos) << result.out;
    if (c.line[0] == '-') {
      EXPECT_EQ(result.out.find("_bak"), std::string::npos) << "no backup was made\n" << result.out;
    }
    EXPECT_EQ(readFile(root / "photos/a.jpg"), original);
    EXPECT_EQ(folderEntries(root / "photos"), before) << "no backup, no temporary file";
    umount2((root / "photos").c_str(), MNT_DETACH);
    fs::remove(root / "photos/a.jpg");
  }
}

TEST_F(Program, BackupLeavesALinkAtItsNameAndItsTargetAlone) {
  settings("Wave_Sound=0\nSave_Original_File=1\n");
  writeFile(root / "photos/a.jpg", syntheticJpeg(100));
  writeFile(root / "home/victim.txt", "keep me");
  const Bytes original = readFile(root / "photos/a.jpg");
  fs::create_symlink(root / "home/victim.txt", root / "photos/a_bak.jpg");

  const auto result = run({"a.jpg"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_NE(result.out.find("  Backup copy written: a_bak_2.jpg\n"), std::string::npos)
      << result.out;
  EXPECT_TRUE(fs::is_symlink(root / "photos/a_bak.jpg"));
  EXPECT_EQ(readFile(root / "photos/a_bak_2.jpg"), original);
  EXPECT_EQ(readFile(root / "home/victim.txt"), "keep me");
  EXPECT_NE(readFile(root / "photos/a.jpg"), original);
}

TEST_F(Program, LinkedInputUpdatesTheTargetAndKeepsTheLink) {
  fs::create_directories(root / "home/real");
  writeFile(root / "home/real/photo.jpg", syntheticJpeg(100));
  chmod((root / "home/real/photo.jpg").c_str(), 0640);
  fs::create_symlink(root / "home/real/photo.jpg", root / "photos/link.jpg");

  EXPECT_EQ(run({"link.jpg"}).exitStatus, 0);
  EXPECT_TRUE(fs::is_symlink(root / "photos/link.jpg"));
  const Bytes out = readFile(root / "home/real/photo.jpg");
  EXPECT_EQ(out.find("secretGPS"), std::string::npos);
  EXPECT_EQ(fs::status(root / "home/real/photo.jpg").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(folderEntries(root / "home/real"), std::vector<std::string>{"photo.jpg"});
}

// `velmora *.jpg | head -3`: the log's reader goes away, the work goes on.
TEST_F(Program, ALogNobodyReadsDoesNotStopTheBatch) {
  std::vector<std::string> names;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    writeFile(root / "photos" / name, syntheticJpeg(64 * 1024));
    names.push_back(name);
  }
  auto o = options(names);
  o.outputReaderGone = true;
  const auto result = RunProgram(VELMORA_PROGRAM, o);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  for (const auto& name : names)
    EXPECT_EQ(readFile(root / "photos" / name).find("secretGPS"), std::string::npos) << name;
}

// Another user owns the folder where root strips photos and swaps the photo
// for links to root's files while root runs, over and over. Root's files are
// never written and nothing is created where a link points.
TEST_F(Program, PhotoSwappedForLinksByAnotherUserNeverRedirectsTheWrite) {
  requireRoot();
  const velmora::test::TTestUser mallory("mallory");
  if (!mallory.Made()) GTEST_SKIP() << "cannot make a test user";
  chmod((root / "home").c_str(), 0755);
  writeFile(root / "home/secret", "root's own");
  chmod((root / "home/secret").c_str(), 0600);
  const fs::path created = root / "home/created.sh";
  chown((root / "photos").c_str(), mallory.Uid(), mallory.Gid());
  chmod((root / "photos").c_str(), 0755);
  const Bytes photo = syntheticJpeg(256 * 1024);
  writeFile(root / "photos/photo.jpg", photo);
  chown((root / "photos/photo.jpg").c_str(), mallory.Uid(), mallory.Gid());

  const pid_t attacker = fork();
  ASSERT_GE(attacker, 0);
  if (attacker == 0) {
    const gid_t group = mallory.Gid();
    if (setgroups(1, &group) != 0 || setgid(group) != 0 || setuid(mallory.Uid()) != 0) _exit(1);
    const fs::path at = root / "photos";
    for (;;) {
      writeFile(at / "p.tmp", photo);
      rename((at / "p.tmp").c_str(), (at / "photo.jpg").c_str());
      symlink((root / "home/secret").c_str(), (at / "l.tmp").c_str());
      rename((at / "l.tmp").c_str(), (at / "photo.jpg").c_str());
      writeFile(at / "p.tmp", photo);
      rename((at / "p.tmp").c_str(), (at / "photo.jpg").c_str());
      symlink(created.c_str(), (at / "l.tmp").c_str());
      rename((at / "l.tmp").c_str(), (at / "photo.jpg").c_str());
    }
  }
  std::map<std::string, int> outcomes;
  for (int round = 0; round < 80; ++round) {
    const auto result = run({"photo.jpg"});
    if (result.exitStatus == 0) {
      ++outcomes["written"];
    } else if (result.out.find("changed or replaced after it was read") != std::string::npos) {
      ++outcomes["refused_changed"];
    } else {
      ++outcomes["not_a_photo"];
    }
  }
  kill(attacker, SIGKILL);
  WaitProgram(attacker);
  EXPECT_EQ(readFile(root / "home/secret"), "root's own");
  EXPECT_FALSE(fs::exists(fs::symlink_status(created)));
  for (const auto& [outcome, count] : outcomes) RecordProperty(outcome, count);
}

// Each settings problem is told once and the exit status stays about the
// photos; root does not write through another user's link or into her folder.
TEST_F(Program, SettingsProblemsAreToldOnceAndLeaveTheStatusToThePhotos) {
  requireRoot();
  const velmora::test::TTestUser mallory("mallory");
  if (!mallory.Made()) GTEST_SKIP() << "cannot make a test user";
  const fs::path ini = root / "config/BRESKO/velmora.ini";
  const fs::path other = root / "home/other-program.ini";
  // clang-format off
  const struct {
    const char* what;
    std::function<void()> setup;
    size_t errLines;
  } cases[] = {
      {"a link of another user at the settings file",
       [&] { fs::remove(ini); fs::create_symlink(other, ini); lchown(ini.c_str(), mallory.Uid(), mallory.Gid()); }, 1},
      {"the settings folder belongs to another user",
       [&] { chown(ini.parent_path().c_str(), mallory.Uid(), mallory.Gid()); }, 1},
      {"a folder in place of the settings file",
       [&] { fs::remove(ini); fs::create_directory(ini); }, 1},
      {"a file in place of the settings folder",
       [&] { fs::remove_all(ini.parent_path()); writeFile(ini.parent_path(), "x"); }, 2},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(root / "config/BRESKO");
    settings("Wave_Sound=0\n");
    writeFile(other, "[other]\nkept=1\n");
    writeFile(root / "photos/a.jpg", syntheticJpeg(100));
    c.setup();
    const auto result = run({"a.jpg"});
    EXPECT_EQ(result.exitStatus, 0);
    // The count of outcomes closes standard error in every case.
    EXPECT_EQ(static_cast<size_t>(std::count(result.err.begin(), result.err.end(), '\n')),
              c.errLines + 1)
        << result.err;
    EXPECT_NE(
        result.err.find("velmora: 1 written, 0 already clean, 0 not written, 0 not handled.\n"),
        std::string::npos)
        << result.err;
    EXPECT_EQ(readFile(root / "photos/a.jpg").find("secretGPS"), std::string::npos);
    EXPECT_EQ(readFile(other), "[other]\nkept=1\n");
    fs::remove_all(root / "config/BRESKO");
  }
}

TEST_F(Program, FullDiskLeavesTheFileWhole) {
  requireRoot();
  // A short scan, and one long enough to be written out while it is searched.
  const std::pair<size_t, const char*> photos[] = {{150 * 1024, "size=256k,mode=0777"},
                                                   {700 * 1024, "size=1m,mode=0777"}};
  for (const auto& [scan, disk] : photos) {
    SCOPED_TRACE(scan);
    if (mount("tmpfs", (root / "photos").c_str(), "tmpfs", 0, disk) != 0)
      GTEST_SKIP() << "cannot mount a small file system here";
    writeFile(root / "photos/a.jpg", syntheticJpeg(scan));
    const Bytes original = readFile(root / "photos/a.jpg");
    // Fill what is left so that no second copy of the photo fits.
    {
      std::ofstream fill(root / "photos/fill", std::ios::binary);
      const std::string block(4096, '\0');
      while (fill.write(block.data(), block.size())) {
      }
    }
    fs::resize_file(root / "photos/fill", fs::file_size(root / "photos/fill") - 64 * 1024);

    const auto result = run({"a.jpg"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("velmora: "), std::string::npos);
    EXPECT_EQ(readFile(root / "photos/a.jpg"), original);
    EXPECT_EQ(folderEntries(root / "photos"), (std::vector<std::string>{"a.jpg", "fill"}));
    umount2((root / "photos").c_str(), MNT_DETACH);
  }
}

TEST_F(Program, KilledDuringTheSaveLeavesTheFileOldOrNew) {
  const Bytes original = syntheticJpeg(24 * 1024 * 1024);
  writeFile(root / "photos/a.jpg", original);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run({"a.jpg"}).exitStatus, 0);
  const auto took = std::chrono::steady_clock::now() - start;
  const Bytes stripped = readFile(root / "photos/a.jpg");
  ASSERT_NE(stripped, original);

  const unsigned seed = TestSeed();
  SCOPED_TRACE(SeedTrace(seed));
  std::mt19937 random(seed);
  int oldCount = 0, newCount = 0;
  for (int round = 0; round < 12; ++round) {
    writeFile(root / "photos/a.jpg", original);
    const pid_t pid = StartProgram(VELMORA_PROGRAM, options({"a.jpg"}));
    std::this_thread::sleep_for(took * (random() % 100) / 100);
    kill(pid, SIGKILL);
    WaitProgram(pid);
    const Bytes now = readFile(root / "photos/a.jpg");
    if (now == original)
      ++oldCount;
    else if (now == stripped)
      ++newCount;
    else
      ADD_FAILURE() << "round " << round << ": the file is neither old nor new (" << now.size()
                    << " bytes)";
  }
  RecordProperty("old", oldCount);
  RecordProperty("new", newCount);
}

}  // namespace
}  // namespace velmora::test
