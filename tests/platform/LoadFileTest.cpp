#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Files.h"
#include "platform/posix/MappedFiles.h"

namespace velmora::test {

using namespace platform;
namespace {

using ExifData::TLoadResult;
using ExifData::TMemoryStream;

std::string streamText(const TMemoryStream& stream) {
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// A stream that still holds an earlier file, to see that loading empties it.
TMemoryStream usedStream() {
  TMemoryStream stream;
  stream.Bytes().assign({'o', 'l', 'd', ' ', 'b', 'y', 't', 'e', 's'});
  stream.SetPosition(7);
  return stream;
}

TEST(LoadFile, ReadsTheWholeFileIntoTheEmptiedStream) {
  TScratchFolder folder;
  const std::string contents[] = {"", "\xFF", std::string("\xFF\xD8\xFF\xD9\0\0", 6),
                                  velmora::test::RandomBytes(3 << 20, 7)};
  for (const std::string& content : contents) {
    velmora::test::WriteFile(folder / "in.jpg", content);
    TMemoryStream stream = usedStream();
    const TLoadResult result = TPlatformFiles().LoadFile(folder / "in.jpg", stream);
    EXPECT_EQ(result.kind, TLoadResult::TKind::Loaded) << result.message;
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(streamText(stream), content) << content.size() << " bytes";
    EXPECT_EQ(stream.Position(), 0);
  }
}

TEST(LoadFile, UnopenablePathGivesOneLineWithAbsolutePathAndTrimmedReason) {
  TScratchFolder folder;
  mkdir((folder / "folder.jpg").c_str(), 0755);
  velmora::test::WriteFile(folder / "file", "x");
  const velmora::test::TScopedCwd cwd(folder.Path());
  const struct {
    std::string path;
    std::string line;
  } cases[] = {
      {"missing.jpg",
       "Cannot open file " + folder.Path() + "/missing.jpg. No such file or directory"},
      {folder / "folder.jpg", "Cannot open file " + folder.Path() + "/folder.jpg. Is a directory"},
      {"file/a.jpg", "Cannot open file " + folder.Path() + "/file/a.jpg. Not a directory"},
      {std::string("a\0b.jpg", 7), "Cannot open file " + folder.Path() + "/" +
                                       std::string("a\0b.jpg", 7) + ". Invalid argument"},
  };
  for (const auto& c : cases) {
    TMemoryStream stream = usedStream();
    const TLoadResult result = TPlatformFiles().LoadFile(c.path, stream);
    EXPECT_EQ(result.kind, TLoadResult::TKind::Failed) << c.path;
    EXPECT_EQ(result.message, c.line);
    EXPECT_EQ(stream.Size(), 0) << c.path;
  }
}

TEST(LoadFile, FileTheUserMayNotReadGivesPermissionDenied) {
  TScratchFolder folder;
  const std::string path = folder / "private.jpg";
  velmora::test::WriteFile(path, "\xFF\xD8", 0000);  // bites its owner too, unless root
  EXPECT_UNPRIVILEGED([&]() -> std::string {
    TMemoryStream stream;
    const TLoadResult result = TPlatformFiles().LoadFile(path, stream);
    const std::string expected = "Cannot open file " + path + ". Permission denied";
    if (result.kind != TLoadResult::TKind::Failed || result.message != expected) {
      return "got: " + result.message;
    }
    return "";
  });
}

TEST(LoadFile, FileOfTwoGiBOrMoreIsTooLargeAndNotRead) {
  TScratchFolder folder;
  for (const off_t size : {off_t{1} << 31, (off_t{1} << 31) + 1}) {
    // Sparse: takes no disk, and reading it would take 2 GiB of memory.
    const int fd = open((folder / "huge.jpg").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, size), 0);
    close(fd);
    TMemoryStream stream = usedStream();
    const TLoadResult result = TPlatformFiles().LoadFile(folder / "huge.jpg", stream);
    EXPECT_EQ(result.kind, TLoadResult::TKind::TooLarge) << size;
    EXPECT_EQ(stream.Size(), 0);
  }
}

TEST(LoadFile, FileDeliveringFewerBytesThanItsSizeGivesTheStreamReadError) {
  // sysfs attributes report a size of one page but deliver a short text.
  const std::string path = "/sys/kernel/mm/transparent_hugepage/enabled";
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || st.st_size != 4096) GTEST_SKIP() << "no sysfs attribute here";
  TMemoryStream stream = usedStream();
  const TLoadResult result = TPlatformFiles().LoadFile(path, stream);
  EXPECT_EQ(result.kind, TLoadResult::TKind::Failed);
  EXPECT_EQ(result.message, "Stream read error");
  EXPECT_EQ(stream.Size(), 0);
}

TEST(LoadFile, LargeFileIsMappedAndAFileCutShortUnderneathIsNeitherACrashNorSaved) {
  // Large files are mapped instead of read. When another program cuts the
  // file while it is mapped, the lost bytes read as zeros and the save of
  // anything taken from them is refused.
  TScratchFolder folder;
  const std::string path = folder / "big.jpg";
  std::string content(platform::posix::kMapFrom, '\x5A');
  content[0] = '\xFF';
  content[1] = '\xD8';
  velmora::test::WriteFile(path, content);
  TPlatformFiles files;
  TMemoryStream stream;
  ASSERT_EQ(files.LoadFile(path, stream).kind, TLoadResult::TKind::Loaded);
  ASSERT_EQ(stream.Size(), static_cast<int64_t>(content.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Data()), content.size()), content);

  const ExifData::TBytePieces whole{{stream.Data(), content.size()}};
  velmora::test::WriteFile(folder / "copy.jpg", "old");
  SaveFileAtomically(folder / "copy.jpg", whole);
  EXPECT_EQ(velmora::test::ReadFile(folder / "copy.jpg"), content);

  ASSERT_EQ(truncate(path.c_str(), 4096), 0);
  stream.SetPosition(static_cast<int64_t>(content.size()) - 8);
  char tail[8] = {};
  EXPECT_EQ(stream.Read(tail, 8), 8u);
  EXPECT_EQ(std::string(tail, 8), std::string(8, '\0'));
  EXPECT_THROW(SaveFileAtomically(folder / "copy.jpg", whole), EFileChanged);
  EXPECT_EQ(velmora::test::ReadFile(folder / "copy.jpg"), content) << "the earlier copy stays";
}

}  // namespace
}  // namespace velmora::test
