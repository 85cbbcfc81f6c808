// The source files of a run. A source is checked to be readable when it is
// opened, and measured and read whatever kind of file it is.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/diagnostics.h"

namespace psgc {

class SourceFile {
 public:
  SourceFile() = default;
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  ~SourceFile();

  // False when the file cannot be opened or read as a file (a directory);
  // fault() tells why.
  bool Open(const std::string& name);
  const FileFault& fault() const { return fault_; }
  const std::string& name() const { return name_; }
  // True when this is a regular file and `path` names it (under any
  // spelling, or through a link).
  bool IsFile(const std::string& path) const;
  // The length of the source. A regular file is measured by its size;
  // anything else (a pipe, a FIFO, a device, a /proc or /sys file, which
  // states no size) is read to its end now, but never past `limit` + 1
  // bytes, so an endless one measures `limit` + 1. Bytes read are kept for
  // ReadAt only when `keep`, and only while within `limit`: memory never
  // holds more. False on a read error.
  bool Measure(uint64_t limit, bool keep, uint64_t& size);
  // Lets go of the bytes Measure kept, once they are no longer read.
  void Release();
  // Reads up to `size` bytes from `offset`; returns how many arrived.
  size_t ReadAt(uint64_t offset, uint8_t* data, size_t size);
  // Reads on from where the last read ended: up to `size` bytes; returns
  // how many arrived, 0 at the end, -1 on a read error. Scripts are read
  // so, a chunk at a time, whatever kind of file they are.
  long ReadNext(char* data, size_t size);
  // True for a file measured by its size, with that size; false for
  // anything read to its end.
  bool IsRegular(uint64_t& size) const;
  // Maps the first `size` bytes of a regular file into memory, read-only;
  // nullptr when that cannot be done. The mapping lasts as long as this.
  const uint8_t* Map(uint64_t size);
  // Lets go of the mapped pages read so far: they are read again from the
  // file when next used, so a long pass over a large file holds few.
  void LetGoOfMapped();

 private:
  friend class OutputFile;  // copies from fd_ inside the kernel
  bool Fail(int error = errno);  // keeps the error (errno) as the fault; false

  std::string name_;
  int fd_ = -1;
  bool stream_ = false;  // read to its end rather than measured
  FileFault fault_;
  // What Measure read from a stream, in pieces that never move, so that
  // holding a stream never needs twice its size. Each piece is mapped
  // memory of its own, returned to the system when released.
  struct Piece {
    explicit Piece(size_t size);
    Piece(Piece&& other) noexcept;
    Piece& operator=(Piece&&) = delete;
    ~Piece();
    uint8_t* bytes;  // nullptr when the system had no memory
    size_t capacity;
    size_t used = 0;
  };
  std::vector<Piece> kept_;
  void* mapped_ = nullptr;
  size_t mappedSize_ = 0;
};

using Sources = std::vector<std::unique_ptr<SourceFile>>;

// Reads `size` bytes at `offset` of `fd`, resuming after signals and short
// reads; returns how many arrived.
size_t ReadFully(int fd, uint8_t* data, size_t size, off_t offset);

}  // namespace psgc
