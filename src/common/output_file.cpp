// Output files committed whole.
#include "common/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/messages.h"
#include "common/source_file.h"

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

// The kernel's descriptor links (/proc/self/fd/N, reached as /dev/stdout
// or /dev/fd/N) live on procfs; they name no path that could be replaced.
bool IsDescriptorDirectory(const std::string& dir) {
  constexpr long kProcSuperMagic = 0x9FA0;
  struct statfs fs;
  return ::statfs(dir.c_str(), &fs) == 0 && static_cast<long>(fs.f_type) == kProcSuperMagic;
}

// In a sticky directory that everyone may write to (/tmp), anyone may plant
// a link; it is followed only when its owner is the caller or the
// directory's owner, the rule the kernel applies with protected_symlinks.
bool MayFollow(const struct stat& link, const std::string& dir) {
  struct stat d;
  if (::stat(dir.c_str(), &d) != 0) return false;
  const bool shared = (d.st_mode & S_ISVTX) != 0 && (d.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == ::geteuid() || link.st_uid == d.st_uid;
}

// Where writing a path puts the bytes.
struct Destination {
  std::string name;
  bool descriptor = false;  // the path is kept: the kernel resolves it
  bool unsafeLink = false;  // a link that MayFollow refuses
};

// Follows symbolic links by name, as opening the path would, so that a link
// to a file that does not exist yet leads to that file's name. A link that
// the kernel resolves in its own way (/dev/stdout, /proc/self/fd/N) has no
// such name: the path is kept.
Destination FollowLinks(const std::string& path) {
  Destination d;
  d.name = path;
  std::string& name = d.name;
  struct stat st;
  for (int hops = 0; hops < 40; ++hops) {
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    const std::string dir = DirectoryOf(name);
    if (IsDescriptorDirectory(dir)) {
      d.descriptor = true;
      name = path;
      return d;
    }
    if (!MayFollow(st, dir)) {
      d.unsafeLink = true;
      return d;
    }
    char target[PATH_MAX];
    const ssize_t n = ::readlink(name.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<size_t>(n) == sizeof target) {
      name = path;
      return d;
    }
    const std::string next(target, static_cast<size_t>(n));
    name = next[0] == '/' ? next : dir + "/" + next;
  }
  const bool chainEnds = ::lstat(name.c_str(), &st) == 0;
  if (chainEnds && S_ISLNK(st.st_mode)) {  // a loop: opening fails
    name = path;
  } else if (!chainEnds && ::stat(path.c_str(), &st) == 0) {
    d.descriptor = true;
    name = path;
  }
  return d;
}

// Where a file would be created: its directory resolved (".", "..",
// links), then its own name. Names that do not exist yet compare so.
std::string Place(const std::string& name) {
  const size_t slash = name.rfind('/');
  char resolved[PATH_MAX];
  if (::realpath(DirectoryOf(name).c_str(), resolved) == nullptr) return name;
  return std::string(resolved) + "/" + name.substr(slash == std::string::npos ? 0 : slash + 1);
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

// Keeps errno: a caller reports the failure that led here.
void OutputFile::Discard() {
  const int failure = errno;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (inPlace_ >= 0) ::close(inPlace_);
  inPlace_ = -1;
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    ForgetPending(temp_);
  }
  temp_.clear();
  errno = failure;
}

bool OutputFile::Fail(int error) {
  fault_ = FileFault{error, nullptr};
  return false;
}

bool OutputFile::Open(const std::string& path) {
  Discard();
  fault_ = FileFault{};
  const Destination destination = FollowLinks(path);
  if (destination.unsafeLink) {
    fault_.refusal = msg::kLinkInSharedDirectory;
    return false;
  }
  const bool magic = destination.descriptor;
  target_ = destination.name;
  struct stat st;
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return Fail();  // a loop of links, a file as a directory
  if (exists) {
    if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
    if (::access(target_.c_str(), W_OK) != 0) return Fail();
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe (/dev/null, a FIFO) is written as it comes:
      // there is no file to replace.
      kind_ = Kind::Device;
      fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
      return fd_ >= 0 || Fail();
    }
  }
  if (!magic && OpenTemporary(DirectoryOf(target_), exists ? (st.st_mode & 07777) : NewFileMode())) {
    return true;
  }
  // A writable file in a directory that cannot take a new name (or reached
  // only through a descriptor) is overwritten once the result is complete.
  if (exists && (magic || errno == EACCES || errno == EPERM)) return OpenInPlace() || Fail();
  return Fail();
}

bool OutputFile::OpenTemporary(const std::string& dir, mode_t mode) {
#ifdef O_TMPFILE
  if (!g_namedTemporariesOnly) {
    fd_ = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      // The file gets its name through /proc/self/fd. Without /proc (a
      // chroot, a sandbox) that name is missing: a named temporary then.
      if (::access(DescriptorPath(fd_).c_str(), F_OK) == 0) {
        kind_ = Kind::Unnamed;
        ::fchmod(fd_, mode);
        return true;
      }
      ::close(fd_);
      fd_ = -1;
    } else if (errno == EACCES || errno == EPERM || errno == ENOENT || errno == ENOTDIR) {
      return false;  // the directory itself refuses
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
  // A named temporary is renamed below; a device was written as it came.
  bool ok = kind_ == Kind::Unnamed ? NameAndReplace() : kind_ == Kind::InPlace ? CopySpoolInPlace() : true;
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
  if (!ok) Fail();
  Discard();
  return ok;
}

// Gives the unnamed file its name. A new destination is linked straight to
// it: no other name ever exists. An existing one is replaced in one step by
// a rename from a temporary name taken just before, so that only a kill
// between those two calls can leave the temporary (.psgc-XXXXXX) behind.
bool OutputFile::NameAndReplace() {
  const std::string self = DescriptorPath(fd_);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno != EEXIST) return false;
  const std::string dir = DirectoryOf(target_);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    const std::string name = TemporaryName(dir, attempt);
    TrackPending(name);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      const bool renamed = ::rename(name.c_str(), target_.c_str()) == 0;
      const int saved = errno;
      if (!renamed) ::unlink(name.c_str());
      ForgetPending(name);
      errno = saved;
      return renamed;
    }
    ForgetPending(name);  // keeps errno
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

std::string SystemReason() {
  // A short read or write without an error code still failed.
  return errno != 0 ? std::strerror(errno) : "cut short, without a reason from the system";
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool OneOutput(const std::string& a, const std::string& b) {
  if (a == b || SameFile(a, b)) return true;
  const Destination da = FollowLinks(a);
  const Destination db = FollowLinks(b);
  return da.name == db.name || SameFile(da.name, db.name) || Place(da.name) == Place(db.name);
}

bool IsFileOutput(const std::string& path) {
  const Destination d = FollowLinks(path);
  struct stat st;
  return !d.descriptor && (::stat(d.name.c_str(), &st) != 0 || S_ISREG(st.st_mode));
}

}  // namespace psgc
