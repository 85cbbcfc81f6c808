// Source files measured and read.
#include "common/source_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace psgc {

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

bool SourceFile::Fail(int error) {
  fault_ = FileFault{error, nullptr};
  return false;
}

bool SourceFile::Open(const std::string& name) {
  name_ = name;
  fault_ = FileFault{};
  fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return Fail();
  struct stat st;
  if (::fstat(fd_, &st) != 0) return Fail();
  if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
  // /proc and /sys files state a size of 0 whatever they hold: read to
  // their end like pipes (a truly empty file reads as empty either way).
  stream_ = !S_ISREG(st.st_mode) || st.st_size == 0;
  if (!stream_) {
    // Proves the file can be read, so that a read error is never taken
    // for an empty file later.
    uint8_t probe;
    const ssize_t n = ::pread(fd_, &probe, 1, 0);
    if (n != 1) return Fail(n < 0 ? errno : EIO);
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
  if (stream_ || ::fstat(fd_, &st) != 0) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

SourceFile::Piece::Piece(size_t size) : capacity(size) {
  void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  bytes = map == MAP_FAILED ? nullptr : static_cast<uint8_t*>(map);
}

SourceFile::Piece::Piece(Piece&& other) noexcept : bytes(other.bytes), capacity(other.capacity), used(other.used) {
  other.bytes = nullptr;
}

SourceFile::Piece::~Piece() {
  if (bytes != nullptr) ::munmap(bytes, capacity);
}

void SourceFile::Release() { std::vector<Piece>().swap(kept_); }

bool SourceFile::Measure(uint64_t limit, bool keep, uint64_t& size) {
  if (IsRegular(size)) return true;
  Release();
  // Pieces start small (most streams are) and grow to 16 MiB.
  constexpr size_t kFirstPiece = 64 * 1024;
  constexpr size_t kLargestPiece = 16 * 1024 * 1024;
  std::unique_ptr<uint8_t[]> scratch;
  size = 0;
  while (size <= limit) {
    // Kept bytes stop at `limit`: the byte past it only tells that the
    // stream is too long, and then nothing is kept.
    const bool keeping = keep && size < limit;
    if (keeping && (kept_.empty() || kept_.back().used == kept_.back().capacity)) {
      const size_t last = kept_.empty() ? kFirstPiece / 2 : kept_.back().capacity;
      const size_t grown = last * 2 < kLargestPiece ? last * 2 : kLargestPiece;
      const size_t capacity = grown < limit - size ? grown : static_cast<size_t>(limit - size);
      kept_.emplace_back(capacity);
      if (kept_.back().bytes == nullptr) {
        Release();
        return Fail(ENOMEM);
      }
    }
    if (!keeping && scratch == nullptr) scratch.reset(new uint8_t[kFirstPiece]);
    const uint64_t room = limit + 1 - size;
    uint8_t* into = scratch.get();
    size_t want = room < kFirstPiece ? static_cast<size_t>(room) : kFirstPiece;
    if (keeping) {
      Piece& tail = kept_.back();
      into = tail.bytes + tail.used;
      want = tail.capacity - tail.used;
    }
    const ssize_t n = ::read(fd_, into, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      Release();
      return Fail();
    }
    if (n == 0) break;
    if (keeping) kept_.back().used += static_cast<size_t>(n);
    size += static_cast<uint64_t>(n);
  }
  if (size > limit) Release();
  return true;
}

size_t SourceFile::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
  if (!stream_) return ReadFully(fd_, data, size, static_cast<off_t>(offset));
  size_t got = 0;
  uint64_t start = 0;
  for (const Piece& piece : kept_) {
    const uint64_t end = start + piece.used;
    if (got < size && offset + got < end) {
      const size_t from = static_cast<size_t>(offset + got - start);
      const size_t n = piece.used - from < size - got ? piece.used - from : size - got;
      std::memcpy(data + got, piece.bytes + from, n);
      got += n;
    }
    start = end;
  }
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
