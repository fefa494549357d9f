// The least a crash-safe strip of a batch costs on this machine: per file only
// what a save that never leaves a torn file must do, and none of the
// program's own work (no marker walk, no trace, no log, no C++ library at run
// time). The benchmark times it beside the program and cp, so that the
// program's ratio to cp can be read against the floor under it.
//
//   replace_floor <level> <name>...   (names in the current folder)
//
// Levels, each adding to the one before:
//   plain    read the file, write it less its leading APP1 segment to a new
//            file beside it, flush that, rename it over, flush the folder
//   checked  the checks the program's save makes on the way: the folder
//            opened per file, write permission, the attributes of both files,
//            the new file's mode and owner, and that the name still names the
//            file read right before the rename
//   search   the end-of-image search over the scan before the write, as a
//            program that knows its output before writing it must
//   ahead    the same search run on each 256 KB of the scan just after it
//            was written (the output written ahead of the search, while the
//            bytes are still in the processor's cache)
//
// And one level of its own, for a disk: 'grouped' is 'checked' with the
// flushes of a group of 64 files shared: each new file's write-back started
// at once, then one flush of the file system, the checks and renames, and
// one more flush for the names.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum TLevel { kPlain, kChecked, kSearch, kAhead, kGrouped };
constexpr int kGroupFiles = 64;

constexpr size_t kReadLimit = size_t{1} << 20;  // larger files are mapped
constexpr int64_t kChunk = int64_t{256} << 10;

[[noreturn]] void fail(const char* what) {
  perror(what);
  exit(1);
}

void writeAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n <= 0) fail("write");
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// The first 0xFF in [from, to) followed by a byte that makes it a marker,
// or -1; data[to] is read. Blocks are tested by a loop the compiler turns
// into vector compares, as the program's search does.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx2", "default")))
#endif
int64_t
findMarker(const uint8_t* data, int64_t from, int64_t to) {
  constexpr int64_t kBlock = 256;
  const auto isMarker = [&](int64_t i) {
    return data[i] == 0xFF && data[i + 1] != 0x00 && (data[i + 1] & 0xF8) != 0xD0;
  };
  int64_t p = from;
  for (; p + kBlock <= to; p += kBlock) {
    uint8_t hit = 0;
    for (int64_t i = 0; i < kBlock; ++i)
      hit |= static_cast<uint8_t>((data[p + i] == 0xFF) & (data[p + i + 1] != 0x00));
    if (!hit) continue;
    for (int64_t i = p; i < p + kBlock; ++i)
      if (isMarker(i)) return i;
  }
  for (; p < to; ++p)
    if (isMarker(p)) return p;
  return -1;
}

// Offset of the first start-of-scan marker, found by the segments' lengths.
int64_t scanStart(const uint8_t* data, int64_t size) {
  int64_t p = 2;
  while (p + 4 <= size && data[p] == 0xFF && data[p + 1] != 0xDA)
    p += 2 + (data[p + 2] << 8 | data[p + 3]);
  return p < size ? p : size;
}

volatile int64_t found;  // keeps the searches from being optimised away

}  // namespace

int main(int argc, char** argv) {
  static const char* const kLevels[] = {"plain", "checked", "search", "ahead", "grouped"};
  int level = -1;
  for (int l = 0; argc > 1 && l < 5; ++l)
    if (strcmp(argv[1], kLevels[l]) == 0) level = l;
  if (level < 0) {
    fprintf(stderr, "usage: replace_floor plain|checked|search|ahead|grouped <name>...\n");
    return 2;
  }
  const bool grouped = level == kGrouped;
  if (grouped) level = kChecked;
  // A group's files waiting for their flush: the temporary name, the name,
  // what the name named when it was read.
  struct TWaiting {
    char temp[64];
    const char* name;
    struct stat st;
  };
  static TWaiting waiting[kGroupFiles];
  int waitingCount = 0;
  const auto finishGroup = [&](int at) {
    if (syncfs(at) != 0) fail("syncfs");
    for (int w = 0; w < waitingCount; ++w) {
      struct stat now {};
      if (fstatat(at, waiting[w].name, &now, AT_SYMLINK_NOFOLLOW) != 0 ||
          now.st_ino != waiting[w].st.st_ino || now.st_size != waiting[w].st.st_size)
        fail(waiting[w].name);
      if (renameat(at, waiting[w].temp, at, waiting[w].name) != 0) fail("rename");
    }
    syncfs(at);
    waitingCount = 0;
  };
  static uint8_t buffer[kReadLimit];
  int folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 2; i < argc; ++i) {
    const char* name = argv[i];
    if (level >= kChecked && !grouped) {
      close(folder);
      folder = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (folder < 0) fail(".");
    const int fd = openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) fail(name);
    const auto size = static_cast<size_t>(st.st_size);
    const uint8_t* data = buffer;
    void* mapped = nullptr;
    if (size > kReadLimit) {
      mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (mapped == MAP_FAILED) fail(name);
      data = static_cast<const uint8_t*>(mapped);
    } else if (read(fd, buffer, size) != static_cast<ssize_t>(size)) {
      fail(name);
    }
    if (level >= kChecked && faccessat(folder, name, W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
      fail(name);

    size_t cut = 0;  // the leading APP1 segment, dropped
    if (size > 6 && data[2] == 0xFF && data[3] == 0xE1) cut = 2 + (data[4] << 8 | data[5]);
    if (2 + cut > size) cut = 0;
    const auto end = static_cast<int64_t>(size);
    const int64_t scan = scanStart(data, end);
    if (level == kSearch && scan + 2 < end) found = findMarker(data, scan + 2, end - 1);

    char temp[64];
    snprintf(temp, sizeof temp, ".floor-%d.tmp", i);
    const int out =
        openat(folder, temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (out < 0) fail(temp);
    writeAll(out, data, 2);
    const auto from = static_cast<int64_t>(2 + cut);
    if (level != kAhead || scan < from) {
      writeAll(out, data + from, size - static_cast<size_t>(from));
    } else {
      writeAll(out, data + from, static_cast<size_t>(scan - from));
      int64_t searched = scan + 2;
      for (int64_t at = scan; at < end; at += kChunk) {
        const int64_t to = at + kChunk < end ? at + kChunk : end;
        writeAll(out, data + at, static_cast<size_t>(to - at));
        const int64_t limit = to < end ? to : end - 1;  // data[limit] is read
        if (limit > searched) found = findMarker(data, searched, limit);
        searched = limit > searched ? limit : searched;
      }
    }
    if (level >= kChecked) {
      char names[1024];
      if (flistxattr(fd, names, sizeof names) < 0 || flistxattr(out, names, sizeof names) < 0)
        fail("flistxattr");
    }
    if (fchmod(out, st.st_mode & 07777) != 0) fail("fchmod");
    struct stat now {};
    if (level >= kChecked && fstat(out, &now) != 0) fail("fstat");
    if (grouped) {
      sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);
      if (close(out) != 0) fail("close");
      TWaiting& next = waiting[waitingCount++];
      memcpy(next.temp, temp, sizeof temp);
      next.name = name;
      next.st = st;
      if (mapped) munmap(mapped, size);
      close(fd);
      if (waitingCount == kGroupFiles) finishGroup(folder);
      continue;
    }
    if (fsync(out) != 0) fail("fsync");
    if (level >= kChecked && (fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) != 0 ||
                              now.st_ino != st.st_ino || now.st_size != st.st_size))
      fail(name);
    if (close(out) != 0) fail("close");
    if (renameat(folder, temp, folder, name) != 0) fail("rename");
    fsync(folder);
    if (mapped) munmap(mapped, size);
    close(fd);
  }
  if (waitingCount > 0) finishGroup(folder);
  return 0;
}
