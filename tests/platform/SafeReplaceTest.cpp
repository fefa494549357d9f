// The save under hostile conditions: what the replacement keeps of the file
// (real users, ACLs and extended attributes), a file changed or swapped
// between load and save, and termination signals in the middle of a save.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/Signals.h"
#include "platform/posix/AtomicReplace.h"
#include "platform/posix/EffectiveIds.h"

namespace velmora::test {

using namespace platform;
namespace {

using Names = std::vector<std::string>;

// Loads `path` as the per-file run does and saves `bytes` over it. "" when
// written, "changed" when refused as changed, else the error's text.
std::string loadAndSave(const std::string& path, const std::string& bytes,
                        const std::function<void()>& betweenLoadAndSave = {}) {
  TPlatformFiles files;
  ExifData::TMemoryStream loaded;
  const ExifData::TLoadResult load = files.LoadFile(path, loaded);
  if (load.kind != ExifData::TLoadResult::TKind::Loaded) return "load failed";
  if (betweenLoadAndSave) betweenLoadAndSave();
  try {
    ExifData::TKnownOutput output({{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}});
    SaveFileAtomically(path, load.handle.get(), output);
  } catch (const EFileChanged&) {
    return "changed";
  } catch (const EFileError& error) {
    return error.what();
  }
  return "";
}

// Loads `path` and replaces it with `bytes`, running `change` at the last
// moment: the new bytes flushed beside the file, its final check still to
// come. The same outcomes as loadAndSave.
std::string replaceChangedAtTheEnd(const std::string& path, const std::string& bytes,
                                   const std::function<void()>& change) {
  try {
    const posix::TLoadedFile loaded = posix::OpenLoadedFile(path);
    ExifData::TKnownOutput output({{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}});
    posix::ReplaceLoadedFile(loaded, output, change);
  } catch (const posix::EReplaceFailure& failure) {
    return failure.Step() == posix::EReplaceFailure::TStep::Changed ? "changed" : failure.what();
  }
  return "";
}

// Owner, group, mode bits and every extended attribute (the ACL among them).
std::string attributesOf(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return "<missing>";
  std::ostringstream out;
  out << st.st_uid << ':' << st.st_gid << ' ' << std::oct << (st.st_mode & 07777);
  std::vector<char> list(65536);
  const ssize_t size = llistxattr(path.c_str(), list.data(), list.size());
  Names names;
  for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(names.back().size()) + 1)
    names.emplace_back(list.data() + at);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::vector<char> value(65536);
    const ssize_t n = lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
    out << ' ' << name << '=' << std::string(value.data(), n > 0 ? static_cast<size_t>(n) : 0);
  }
  return out.str();
}

enum class TSaver { Root, Owner, GroupMember, AclUser };

TEST(SafeReplace, KeepsOwnerGroupModeAclsAndAttributes) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make users";
  const TTestUser alice("alice"), bob("bob");
  if (!alice.Made() || !bob.Made()) GTEST_SKIP() << "cannot make test users";
  const std::string aclForBob = "setfacl -m u:" + bob.Name() + ":r ";
  const std::string tags =
      "setfattr -n user.tag -v holiday {f} && setfattr -n user.xdg.origin.url -v x ";
  // clang-format off
  const struct {
    const char* what;
    TSaver saver;
    mode_t mode;
    gid_t group;             // the file's group
    std::string setup;       // shell commands ({f}: the file's path, {d}: its folder's)
    bool hardLink;
  } cases[] = {
      {"root saves a user's photo",               TSaver::Root,        0640,  alice.Gid(), "", false},
      {"setuid and setgid bits",                  TSaver::Root,        06750, alice.Gid(), "", false},
      {"an ACL shares it with one user",          TSaver::Root,        0640,  alice.Gid(), aclForBob + "{f}", false},
      {"extended attributes, trusted ones too",   TSaver::Root,        0644,  alice.Gid(), tags + "{f} && setfattr -n trusted.x -v y {f}", false},
      {"the owner's save keeps ACL and attributes", TSaver::Owner,     0640,  alice.Gid(), aclForBob + "{f} && " + tags + "{f}", false},
      {"the owner's setgid photo",                TSaver::Owner,       02640, alice.Gid(), "", false},
      {"a group member writes another's photo",   TSaver::GroupMember, 0660,  bob.Gid(),   "", false},
      {"an ACL lets one user write another's photo", TSaver::AclUser, 0640, alice.Gid(), "setfacl -m u:" + bob.Name() + ":rw {f}", false},
      {"the owner is not in the file's group",    TSaver::Owner,       0640,  0,           "", false},
      {"the folder's default ACL is not added",   TSaver::Root,        0640,  alice.Gid(), "setfacl -d -m u:" + bob.Name() + ":rw {d}", false},
      {"a setgid folder's group is not taken",    TSaver::Owner,       0640,  alice.Gid(), "chgrp " + std::to_string(bob.Gid()) + " {d} && chmod g+s {d}", false},
      {"other hard links see the new bytes",      TSaver::Owner,       0644,  alice.Gid(), tags + "{f}", true},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TScratchFolder folder;
    const std::string path = folder / "photo.jpg";
    WriteFile(path, "the old photo with metadata");
    ASSERT_EQ(chown(path.c_str(), alice.Uid(), c.group), 0);
    ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
    std::string setup = c.setup;
    for (size_t at; (at = setup.find("{f}")) != std::string::npos;) setup.replace(at, 3, path);
    for (size_t at; (at = setup.find("{d}")) != std::string::npos;)
      setup.replace(at, 3, folder.Path());
    if (!setup.empty()) {
      ASSERT_TRUE(Shell(setup)) << setup;
    }
    if (c.hardLink) {
      ASSERT_EQ(link(path.c_str(), (folder / "twin.jpg").c_str()), 0);
    }
    const std::string before = attributesOf(path);

    const std::string bytes = "the new photo";
    if (c.saver == TSaver::Root) {
      EXPECT_EQ(loadAndSave(path, bytes), "");
    } else {
      const TTestUser& as = c.saver == TSaver::Owner ? alice : bob;
      const auto outcome =
          velmora::test::RunAs(as.Uid(), as.Gid(), [&] { return loadAndSave(path, bytes); });
      ASSERT_TRUE(outcome.has_value());
      EXPECT_EQ(*outcome, "");
    }
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_EQ(attributesOf(path), before);
    EXPECT_EQ(folder.Names(), c.hardLink ? (Names{"photo.jpg", "twin.jpg"}) : Names{"photo.jpg"});
    if (c.hardLink) {
      EXPECT_EQ(ReadFile(folder / "twin.jpg"), bytes);
    }
  }
}

// The ids are remembered once a process; a child that switches users before
// it saves must not judge files as its parent.
TEST(SafeReplace, AChildThatSwitchedUsersIsSeenAsItsNewUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make users";
  const TTestUser alice("alice");
  if (!alice.Made()) GTEST_SKIP() << "cannot make test users";
  ASSERT_EQ(posix::EffectiveUser(), 0u);
  ASSERT_EQ(posix::EffectiveGroup(), getegid());
  const auto seen = RunAs(alice.Uid(), alice.Gid(), [&]() -> std::string {
    if (posix::EffectiveUser() != alice.Uid()) return "still the parent's user";
    if (posix::EffectiveGroup() != alice.Gid()) return "still the parent's group";
    return "";
  });
  ASSERT_TRUE(seen.has_value());
  EXPECT_EQ(*seen, "");
}

TEST(SafeReplace, RootsBackupBelongsToTheOriginalsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make users";
  const TTestUser alice("alice");
  if (!alice.Made()) GTEST_SKIP() << "cannot make test users";
  for (const mode_t mode : {0600, 0640, 06750}) {
    TScratchFolder folder;
    WriteFile(folder / "photo.jpg", "the original");
    ASSERT_EQ(chown((folder / "photo.jpg").c_str(), alice.Uid(), alice.Gid()), 0);
    ASSERT_EQ(chmod((folder / "photo.jpg").c_str(), mode), 0);
    TPlatformFiles files;
    ASSERT_EQ(files.CopyToBackup(folder / "photo.jpg", folder / "photo_bak.jpg", nullptr),
              ExifData::TBackupOutcome::Written);
    EXPECT_EQ(ReadFile(folder / "photo_bak.jpg"), "the original");
    struct stat st {};
    ASSERT_EQ(stat((folder / "photo_bak.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, alice.Uid());
    EXPECT_EQ(st.st_gid, alice.Gid());
    EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
  }
}

// Between the load and the save another user changes the folder she owns.
// The save writes the file that was read, or nothing; it never follows a link
// put in place meanwhile and never creates a file.
TEST(SafeReplace, WritesTheFileItReadOrNothing) {
  using TChange = std::function<void(const std::string& folder, const std::string& elsewhere)>;
  const auto relink = [](const std::string& target, const std::string& at) {
    const std::string fresh = at + ".new";
    ASSERT_EQ(symlink(target.c_str(), fresh.c_str()), 0);
    ASSERT_EQ(rename(fresh.c_str(), at.c_str()), 0);
  };
  // clang-format off
  const struct {
    const char* what;
    TChange change;
    bool written;
    std::map<std::string, std::string> after;  // file ("@" for the other folder) -> content
  } cases[] = {
      {"the link is pointed at a secret file",
       [&](auto& f, auto& e) { relink(e + "/secret", f + "/photo.jpg"); },
       true, {{"sub/real.jpg", "new"}, {"@secret", "secret"}}},
      {"the file is swapped for a link to a secret file",
       [&](auto& f, auto& e) { relink(e + "/secret", f + "/sub/real.jpg"); },
       false, {{"@secret", "secret"}}},
      {"the file is swapped for a link to a missing file",
       [&](auto& f, auto& e) { relink(e + "/created.sh", f + "/sub/real.jpg"); },
       false, {{"@created.sh", "<missing>"}}},
      {"the folder is swapped for a link to another folder",
       [&](auto& f, auto& e) {
         ASSERT_EQ(rename((f + "/sub").c_str(), (f + "/moved").c_str()), 0);
         relink(e, f + "/sub");
       },
       true, {{"moved/real.jpg", "new"}, {"@real.jpg", "victim"}}},
      {"the file is removed",
       [](auto& f, auto&) { unlink((f + "/sub/real.jpg").c_str()); },
       false, {{"sub/real.jpg", "<missing>"}}},
      {"the file is replaced by another",
       [](auto& f, auto&) { WriteFile(f + "/other", "other"); rename((f + "/other").c_str(), (f + "/sub/real.jpg").c_str()); },
       false, {{"sub/real.jpg", "other"}}},
      {"the file is still being written",
       [](auto& f, auto&) { std::ofstream(f + "/sub/real.jpg", std::ios::app) << " and more"; },
       false, {{"sub/real.jpg", "old photo and more"}}},
      {"the file gets new times",
       [](auto& f, auto&) { const timespec t[2] = {{1, 0}, {1, 0}}; utimensat(AT_FDCWD, (f + "/sub/real.jpg").c_str(), t, 0); },
       false, {{"sub/real.jpg", "old photo"}}},
      {"the file's mode changes",
       [](auto& f, auto&) { chmod((f + "/sub/real.jpg").c_str(), 0600); },
       false, {{"sub/real.jpg", "old photo"}}},
  };
  // clang-format on
  enum class TMoment { BeforeTheSave, BeforeTheFinalCheck };
  for (const auto& c : cases) {
    for (const TMoment moment : {TMoment::BeforeTheSave, TMoment::BeforeTheFinalCheck}) {
      // With a hard link the bytes go over the file in place: the same checks hold.
      for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(
            std::string(c.what) +
            (moment == TMoment::BeforeTheSave ? ", before the save" : ", before the final check") +
            (inPlace ? ", in place" : ", by rename"));
        TScratchFolder folder, elsewhere;
        mkdir((folder / "sub").c_str(), 0755);
        WriteFile(folder / "sub/real.jpg", "old photo");
        if (inPlace) {
          ASSERT_EQ(link((folder / "sub/real.jpg").c_str(), (folder / "twin").c_str()), 0);
        }
        ASSERT_EQ(symlink("sub/real.jpg", (folder / "photo.jpg").c_str()), 0);
        WriteFile(elsewhere / "secret", "secret", 0600);
        WriteFile(elsewhere / "real.jpg", "victim");
        const auto change = [&] { c.change(folder.Path(), elsewhere.Path()); };

        const std::string outcome =
            moment == TMoment::BeforeTheSave
                ? loadAndSave(folder / "photo.jpg", "new", change)
                : replaceChangedAtTheEnd(folder / "photo.jpg", "new", change);

        EXPECT_EQ(outcome, c.written ? "" : "changed");
        for (const auto& [name, content] : c.after) {
          EXPECT_EQ(ReadFile(name[0] == '@' ? elsewhere / name.substr(1) : folder / name), content)
              << name;
        }
        for (const std::string& name : folder.Names())
          EXPECT_EQ(name.find(".velmora-"), std::string::npos);
        for (const std::string& name : elsewhere.Names())
          EXPECT_EQ(name.find(".velmora-"), std::string::npos);
      }
    }
  }
}

// A process that saves over and over is stopped by each termination signal
// at varied moments: it ends with that signal, the file is wholly old or
// wholly new, and no temporary file is left beside it (a write in place
// finishes before the process ends).
TEST(SafeReplace, TerminationSignalsRemoveTheTemporaryFileAndEndTheProcess) {
  const std::string versions[] = {velmora::test::RandomBytes(6 << 20, 20),
                                  velmora::test::RandomBytes(5 << 20, 21)};
  const unsigned seed = velmora::test::TestSeed();
  SCOPED_TRACE(velmora::test::SeedTrace(seed));
  std::mt19937 random(seed);
  int newSeen = 0;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    for (const bool inPlace : {false, true}) {
      for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("signal " + std::to_string(signal) + (inPlace ? ", in place" : "") +
                     ", round " + std::to_string(round));
        TScratchFolder folder;
        const std::string path = folder / "photo.jpg";
        WriteFile(path, versions[0]);
        if (inPlace) {
          ASSERT_EQ(link(path.c_str(), (folder / "twin").c_str()), 0);
        }
        velmora::test::TRoundCounter saves;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
          PrepareSignals();
          // A second thread, as the window's toolkit has: the kernel may hand
          // it a signal that the saving thread holds back.
          std::thread([] {
            for (;;) pause();
          }).detach();
          for (int i = 1;; ++i) {
            if (!loadAndSave(path, versions[i % 2]).empty()) _exit(1);
            saves.Report();
          }
        }
        // After one or two whole saves (the new version, then the old), somewhere
        // in the next one.
        std::chrono::microseconds saveTook{};
        ASSERT_TRUE(saves.WaitForRounds(1 + round % 2, saveTook)) << "the saving child ended";
        std::this_thread::sleep_for(saveTook * (random() % 100) / 100);
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        const std::string now = ReadFile(path);
        EXPECT_TRUE(now == versions[0] || now == versions[1]) << now.size() << " bytes of neither";
        EXPECT_EQ(folder.Names(), inPlace ? (Names{"photo.jpg", "twin"}) : Names{"photo.jpg"});
        if (now == versions[1]) ++newSeen;
      }
    }
  }
  // The signals must have landed while saves went on, or the test proves nothing.
  EXPECT_GT(newSeen, 0);
}

}  // namespace
}  // namespace velmora::test
