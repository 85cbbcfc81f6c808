// Files of a run: outputs committed whole, sources measured and read.
#include "common/output_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace psgc {
namespace {

bool g_namedTemporariesOnly = false;

// Writes everything, resuming after signals and partial writes.
bool WriteFully(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

size_t ReadFully(int fd, uint8_t* data, size_t size, off_t offset) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, data + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

// Named temporaries still present, so that an interrupted build (Ctrl-C or
// Ctrl-\ in make) leaves none behind. At most two outputs exist at once.
constexpr int kPendingSlots = 2;
char g_pending[kPendingSlots][PATH_MAX + 16];
constexpr int kCleanUpSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RemovePendingAndReraise(int signal) {
  for (auto& path : g_pending) {
    if (path[0] != '\0') ::unlink(path);
  }
  // The handler was reset on entry and the signal is not blocked: this ends
  // the run with the signal's own status.
  ::raise(signal);
}

void TrackPending(const std::string& path) {
  for (auto& slot : g_pending) {
    if (slot[0] == '\0' && path.size() < sizeof slot) {
      std::memcpy(slot, path.c_str(), path.size() + 1);
      return;
    }
  }
}

void ForgetPending(const std::string& path) {
  for (auto& slot : g_pending) {
    if (path == slot) slot[0] = '\0';
  }
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links by name, as opening the path would, so that a link
// to a file that does not exist yet leads to that file's name. A link that
// the kernel resolves in its own way (/dev/stdout, /proc/self/fd/N) has no
// such name: `magic` is set and the path is kept.
std::string FollowLinks(const std::string& path, bool& magic) {
  magic = false;
  std::string name = path;
  struct stat st;
  for (int hops = 0; hops < 40; ++hops) {
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(name.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) == sizeof target) return path;
    const std::string next(target, static_cast<size_t>(n));
    name = next[0] == '/' ? next : DirectoryOf(name) + "/" + next;
  }
  const bool chainEnds = ::lstat(name.c_str(), &st) == 0;
  if (chainEnds && S_ISLNK(st.st_mode)) return path;  // a loop: opening fails
  if (!chainEnds && ::stat(path.c_str(), &st) == 0) {
    magic = true;
    return path;
  }
  return name;
}

// A name of the form DIR/.psgc-XXXXXX that is unlikely to be taken.
std::string TemporaryName(const std::string& dir, unsigned attempt) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  uint64_t seed = static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 32) ^
                  (static_cast<uint64_t>(attempt) * 0x9E3779B97F4A7C15ull);
  std::string name = dir + "/.psgc-";
  for (int i = 0; i < 6; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    name += kLetters[(seed >> 33) % 36];
  }
  return name;
}

std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// An unnamed, readable scratch file for a result that is written in place
// only once it is complete.
int OpenSpool() {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
#ifdef O_TMPFILE
  const int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
#endif
  std::string pattern = std::string(dir) + "/psgc-XXXXXX";
  const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (named >= 0) ::unlink(pattern.c_str());
  return named;
}

}  // namespace

void RemoveTemporariesOnSignals() {
  for (int sig : kCleanUpSignals) {
    struct sigaction old;
    // An ignored signal (nohup, a background job of a script) stays ignored.
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemovePendingAndReraise;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    ::sigaction(sig, &action, nullptr);
  }
}

void UseNamedTemporariesOnly(bool on) { g_namedTemporariesOnly = on; }

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (inPlace_ >= 0) ::close(inPlace_);
  inPlace_ = -1;
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    ForgetPending(temp_);
  }
  temp_.clear();
}

bool OutputFile::Open(const std::string& path) {
  Discard();
  bool magic = false;
  target_ = FollowLinks(path, magic);
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return false;  // a loop of links, a file as a directory
  if (exists) {
    if (S_ISDIR(st.st_mode) || ::access(target_.c_str(), W_OK) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe (/dev/null, a FIFO) is written as it comes:
      // there is no file to replace.
      kind_ = Kind::Device;
      fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
      return fd_ >= 0;
    }
  }
  if (!magic && OpenTemporary(DirectoryOf(target_), exists ? (st.st_mode & 07777) : NewFileMode())) {
    return true;
  }
  // A writable file in a directory that cannot take a new name (or reached
  // only through a descriptor) is overwritten once the result is complete.
  if (exists && (magic || errno == EACCES || errno == EPERM)) return OpenInPlace();
  return false;
}

bool OutputFile::OpenTemporary(const std::string& dir, mode_t mode) {
#ifdef O_TMPFILE
  if (!g_namedTemporariesOnly) {
    fd_ = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    // The file gets its name through /proc; without it, use a named one.
    if (fd_ >= 0 && ::access(DescriptorPath(fd_).c_str(), F_OK) == 0) {
      kind_ = Kind::Unnamed;
      ::fchmod(fd_, mode);
      return true;
    }
    const int saved = errno;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (saved == EACCES || saved == EPERM || saved == ENOENT || saved == ENOTDIR) {
      errno = saved;
      return false;
    }
  }
#endif
  std::string pattern = dir + "/.psgc-XXXXXX";
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) return false;
  kind_ = Kind::Named;
  temp_ = pattern;
  TrackPending(temp_);
  ::fchmod(fd_, mode);
  return true;
}

bool OutputFile::OpenInPlace() {
  inPlace_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
  if (inPlace_ < 0) return false;
  fd_ = OpenSpool();
  if (fd_ < 0) {
    Discard();
    return false;
  }
  kind_ = Kind::InPlace;
  return true;
}

bool OutputFile::Append(const uint8_t* data, size_t size) {
  if (fd_ < 0) return false;
  if (WriteFully(fd_, data, size)) return true;
  Discard();
  return false;
}

void OutputFile::Reserve(uint64_t size) {
  // Blocks given now are not held back for later allocation, which ext4
  // would otherwise force when the result is renamed over an old file: a
  // large result then waits at its rename for the whole of it to be
  // allocated and queued for writing. The size stays what is written.
  if (fd_ >= 0 && kind_ != Kind::Device && size > 0) {
    ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
  }
}

uint64_t OutputFile::AppendCopied(SourceFile& source, uint64_t offset, uint64_t length) {
  uint64_t sourceSize = 0;
  // A pipe or device result is written as it comes, as every other append.
  if (fd_ < 0 || kind_ == Kind::Device || !source.IsRegular(sourceSize)) return 0;
  // The largest copy the kernel takes in one call; it may copy less.
  constexpr uint64_t kMostPerCall = uint64_t{1} << 30;
  auto from = static_cast<off_t>(offset);
  uint64_t done = 0;
  while (done < length) {
    const uint64_t want = length - done < kMostPerCall ? length - done : kMostPerCall;
    const ssize_t n = ::copy_file_range(source.fd_, &from, fd_, nullptr, static_cast<size_t>(want), 0);
    if (n < 0 && errno == EINTR) continue;
    // Refused (another file system, an old kernel), failed or at the
    // source's end: the caller's reads and writes tell which.
    if (n <= 0) break;
    done += static_cast<uint64_t>(n);
  }
  return done;
}

bool OutputFile::Commit() {
  if (fd_ < 0) return false;
  bool ok = true;
  switch (kind_) {
    case Kind::Unnamed: ok = NameAndReplace(); break;
    case Kind::InPlace: ok = CopySpoolInPlace(); break;
    case Kind::Named:
    case Kind::Device: break;
  }
  if (ok && fd_ >= 0) {
    ok = ::close(fd_) == 0;
    fd_ = -1;
  }
  if (ok && !temp_.empty()) {
    ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (ok) {
      ForgetPending(temp_);
      temp_.clear();
    }
  }
  Discard();
  return ok;
}

// Gives the unnamed file a free temporary name beside the destination; the
// rename then replaces the destination in one step.
bool OutputFile::NameAndReplace() {
  const std::string self = DescriptorPath(fd_);
  const std::string dir = DirectoryOf(target_);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryName(dir, attempt);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp_ = name;
      TrackPending(temp_);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool OutputFile::CopySpoolInPlace() {
  const off_t size = ::lseek(fd_, 0, SEEK_CUR);
  if (size < 0 || ::ftruncate(inPlace_, 0) != 0) return false;
  uint8_t chunk[65536];
  for (off_t done = 0; done < size;) {
    const size_t want = static_cast<size_t>(size - done < off_t{sizeof chunk} ? size - done : off_t{sizeof chunk});
    if (ReadFully(fd_, chunk, want, done) != want || !WriteFully(inPlace_, chunk, want)) return false;
    done += static_cast<off_t>(want);
  }
  const bool ok = ::close(inPlace_) == 0;
  inPlace_ = -1;
  return ok;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

SourceFile::~SourceFile() {
  if (mapped_ != nullptr) ::munmap(mapped_, mappedSize_);
  if (fd_ >= 0) ::close(fd_);
}

const uint8_t* SourceFile::Map(uint64_t size) {
  uint64_t regularSize = 0;
  if (mapped_ != nullptr || size == 0 || !IsRegular(regularSize) || regularSize < size) return nullptr;
  void* at = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd_, 0);
  if (at == MAP_FAILED) return nullptr;
  ::madvise(at, static_cast<size_t>(size), MADV_SEQUENTIAL);
  mapped_ = at;
  mappedSize_ = static_cast<size_t>(size);
  return static_cast<const uint8_t*>(at);
}

void SourceFile::LetGoOfMapped() {
  if (mapped_ != nullptr) ::madvise(mapped_, mappedSize_, MADV_DONTNEED);
}

bool SourceFile::Open(const std::string& name) {
  name_ = name;
  fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return false;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (S_ISREG(st.st_mode) && st.st_size > 0) {
    // Proves the file can be read, so that a read error is never taken
    // for an empty file later.
    uint8_t probe;
    if (::pread(fd_, &probe, 1, 0) != 1) return false;
  }
  return true;
}

bool SourceFile::IsFile(const std::string& path) const {
  struct stat mine;
  struct stat other;
  // Devices and pipes are written in place, never replaced: only a regular
  // file can be lost to the output.
  return fd_ >= 0 && ::fstat(fd_, &mine) == 0 && S_ISREG(mine.st_mode) &&
         ::stat(path.c_str(), &other) == 0 && mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

bool SourceFile::IsRegular(uint64_t& size) const {
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool SourceFile::Measure(uint64_t limit, bool keep, uint64_t& size) {
  if (IsRegular(size)) return true;
  kept_.clear();
  uint8_t chunk[65536];
  size = 0;
  while (size <= limit) {
    const uint64_t room = limit + 1 - size;
    const ssize_t n = ::read(fd_, chunk, room < sizeof chunk ? static_cast<size_t>(room) : sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    if (keep) kept_.insert(kept_.end(), chunk, chunk + n);
    size += static_cast<uint64_t>(n);
  }
  return true;
}

size_t SourceFile::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
  uint64_t regularSize;
  if (IsRegular(regularSize)) return ReadFully(fd_, data, size, static_cast<off_t>(offset));
  if (offset >= kept_.size()) return 0;
  const size_t got = kept_.size() - offset < size ? static_cast<size_t>(kept_.size() - offset) : size;
  std::memcpy(data, kept_.data() + offset, got);
  return got;
}

long SourceFile::ReadNext(char* data, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : static_cast<long>(n);
  }
}

}  // namespace psgc
