// Files of a run. An output is written to a temporary file beside its
// destination and renamed into place only when complete, so a failed run
// leaves no file and never damages an existing one (or a source that is
// also the output). A source is checked to be readable when it is opened.
#pragma once

#include <cstdint>
#include <string>

namespace psgc {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // removes the temporary file unless committed

  // Creates the temporary file. False when the destination cannot be
  // written: its directory is missing, it is a directory, it is read-only.
  bool Open(const std::string& path);
  // Appends bytes to the temporary file. False on a short write.
  bool Append(const uint8_t* data, size_t size);
  // Closes and renames into place. False on any failure; the destination
  // is then untouched.
  bool Commit();
  bool WriteAndCommit(const uint8_t* data, size_t size) { return Append(data, size) && Commit(); }

 private:
  void Discard();

  std::string target_;
  std::string temp_;
  int fd_ = -1;
};

// True when both names exist and are one file (a link, or a file system
// that ignores letter case).
bool SameFile(const std::string& a, const std::string& b);

class SourceFile {
 public:
  SourceFile() = default;
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  ~SourceFile();

  // False when the file cannot be opened or read as a file (a directory).
  bool Open(const std::string& name);
  const std::string& name() const { return name_; }
  // True when this is a regular file and `path` names it (under any
  // spelling, or through a link).
  bool IsFile(const std::string& path) const;
  // The length measured as seeking to the end does; false if unknown.
  bool Measure(uint64_t& size);
  // Reads up to `size` bytes from `offset`; returns how many arrived.
  size_t ReadAt(uint64_t offset, uint8_t* data, size_t size);
  // Reads on from where the last read ended: up to `size` bytes; returns
  // how many arrived, 0 at the end, -1 on a read error. Scripts are read
  // so, a chunk at a time, whatever kind of file they are.
  long ReadNext(char* data, size_t size);

 private:
  std::string name_;
  int fd_ = -1;
};

}  // namespace psgc
