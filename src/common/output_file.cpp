// Files of a run: temporary output + rename, checked sources.
#include "common/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace psgc {
namespace {

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

// Temporary files still pending, so that an interrupted build (Ctrl-C or
// Ctrl-\ in make) leaves none behind. At most two outputs exist at once.
constexpr int kPendingSlots = 2;
char g_pending[kPendingSlots][PATH_MAX + 16];

void RemovePendingAndReraise(int signal) {
  for (auto& path : g_pending) {
    if (path[0] != '\0') ::unlink(path);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void TrackPending(const std::string& path) {
  static bool installed = false;
  if (!installed) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(sig, RemovePendingAndReraise);
    installed = true;
  }
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

}  // namespace

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    ForgetPending(temp_);
  }
  temp_.clear();
}

bool OutputFile::Open(const std::string& path) {
  target_ = path;
  struct stat st;
  bool exists = false;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // Write through a link to its file, as writing in place would.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) target_ = resolved;
  }
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || ::access(target_.c_str(), W_OK) != 0) return false;
    if (!S_ISREG(st.st_mode)) {
      // A device or a pipe (/dev/null, a FIFO) is written in place: there
      // is no file to replace.
      fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
      return fd_ >= 0;
    }
    exists = true;
  }
  std::string pattern = target_ + ".psgc-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0) return false;
  temp_ = name.data();
  TrackPending(temp_);
  ::fchmod(fd_, exists ? (st.st_mode & 07777) : NewFileMode());
  return true;
}

bool OutputFile::Append(const uint8_t* data, size_t size) {
  if (fd_ < 0) return false;
  if (WriteFully(fd_, data, size)) return true;
  Discard();
  return false;
}

bool OutputFile::Commit() {
  if (fd_ < 0) return false;
  bool ok = ::close(fd_) == 0;
  fd_ = -1;
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

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

SourceFile::~SourceFile() {
  if (fd_ >= 0) ::close(fd_);
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

bool SourceFile::Measure(uint64_t& size) {
  const off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end < 0) return false;
  ::lseek(fd_, 0, SEEK_SET);
  size = static_cast<uint64_t>(end);
  return true;
}

size_t SourceFile::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
  return ReadFully(fd_, data, size, static_cast<off_t>(offset));
}

long SourceFile::ReadNext(char* data, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, data, size);
    if (n < 0 && errno == EINTR) continue;
    return n < 0 ? -1 : static_cast<long>(n);
  }
}

}  // namespace psgc
