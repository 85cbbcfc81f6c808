// The output files of a run. An output is written to an unnamed temporary
// file in its destination's directory and given its name only when
// complete, so a failed or killed run leaves no file and never damages an
// existing one (or a source that is also the output).
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/diagnostics.h"

namespace psgc {

class SourceFile;

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // drops the result unless committed

  // Prepares the result. A link is followed to the (possibly new) file it
  // names, and the link stays; in a sticky world-writable directory (/tmp)
  // only a link of the caller's or of the directory's owner is followed,
  // as the kernel's protected-links rule has it. False when the
  // destination cannot be written: its directory is missing, it is a
  // directory, it is read-only, it is such a link; fault() tells why.
  bool Open(const std::string& path);
  // Tells the file system how large the result will be, so that it gives
  // the blocks at once. Only a hint: the result is still what is appended.
  void Reserve(uint64_t size);
  const FileFault& fault() const { return fault_; }
  // Appends bytes to the result. False on a short write.
  bool Append(const uint8_t* data, size_t size);
  // Puts the whole result in place. False on any failure; the destination
  // is then untouched, except when it had to be written in place.
  bool Commit();
  bool WriteAndCommit(const uint8_t* data, size_t size) { return Append(data, size) && Commit(); }
  // Appends up to `length` bytes of `source` from `offset` without passing
  // them through user space, as far as the kernel and both file systems
  // allow (a regular source into a file result). Returns how many bytes
  // were appended; the caller reads and appends the rest, which also tells
  // a short source from a failed write.
  uint64_t AppendCopied(SourceFile& source, uint64_t offset, uint64_t length);

 private:
  enum class Kind { Unnamed, Named, Device, InPlace };
  bool OpenTemporary(const std::string& dir, mode_t mode);
  bool OpenInPlace();
  bool NameAndReplace();
  bool CopySpoolInPlace();
  void Discard();
  bool Fail(int error = errno);  // keeps the error (errno) as the fault; false

  FileFault fault_;
  Kind kind_ = Kind::Unnamed;
  std::string target_;
  std::string temp_;  // a named temporary, while one exists
  int fd_ = -1;       // where Append writes
  int inPlace_ = -1;  // the destination itself, when written in place
};

// Installs handlers that remove named temporaries when INT, TERM, HUP or
// QUIT ends the run; a signal that was ignored at start-up stays ignored.
void RemoveTemporariesOnSignals();
// For tests: behave as a system without unnamed temporary files does.
void UseNamedTemporariesOnly(bool on);

// Why the last file operation failed, as the system says it ("No such
// file or directory"); every false return of these classes leaves errno so.
std::string SystemReason();

// True when both names exist and are one file (a link, or a file system
// that ignores letter case).
bool SameFile(const std::string& a, const std::string& b);
// True when writing both names would write one file: one file now, or
// links that lead to one name not taken yet, or one name spelled two ways
// (./x, dir/../x).
bool OneOutput(const std::string& a, const std::string& b);
// False for a device, a pipe, or a file reached through a descriptor
// (/dev/stdout, /dev/fd/N): no file can be named after such an output.
bool IsFileOutput(const std::string& path);

}  // namespace psgc
