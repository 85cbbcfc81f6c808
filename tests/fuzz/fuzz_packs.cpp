// Fuzzes both pack builders. The input's bytes choose the output and every
// source (its kind, its size, its bytes, how often it repeats), so that each
// limit and message of both builders can be reached. Nothing is left on
// disk: sources are memory files, pipes and devices, and the output is a
// file in a directory in memory (/dev/shm), /dev/null or /dev/full.
//
// Input: one byte choosing the output (its value mod 3: a file, /dev/null,
// /dev/full), then sources, each a byte k: k & 7 is the kind, k >> 3 a
// parameter p.
//   0  memory file: a length byte, then that many bytes
//   1  pipe: a length byte, then that many bytes
//   2  large sparse memory file of kLargeSizes[p]
//   3  /dev/zero, endless
//   4  /dev/null, empty
//   5  a file whose stated size is more than it delivers (sysfs), if any
//   6  the previous source again, (p + 1) * 8 times
//   7  memory file of (p + 1) * 4096 bytes filled with the next byte
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_buffer.h"
#include "common/messages.h"
#include "pack/pcm_pack.h"
#include "pack/track_pack.h"

namespace {

using psgc::format::kMaxOutputSize;
using psgc::kMaxPcmStreamBytes;

// Sizes at both limits and at bank edges. Few are large and accepted: each
// of those costs a copy of up to 64 MiB per run.
constexpr uint64_t kLargeSizes[32] = {
    kMaxPcmStreamBytes - 1, kMaxPcmStreamBytes, kMaxPcmStreamBytes + 1, kMaxOutputSize - 8,
    kMaxOutputSize - 7,     0x1FFF,             0x2000,                 0x3FFF8,
    0x40000,                1 << 20,            kMaxOutputSize / 2,     kMaxPcmStreamBytes * 2,
    255,                    256,                65535,                  65536,
    65537,                  1,                  2,                      kMaxOutputSize,
    kMaxOutputSize + 1,     kMaxOutputSize * 2, kMaxPcmStreamBytes / 2, 3,
    4,                      7,                  8,                      0x1FF8,
    0x2008,                 0xFFF8,             100000,                 12};
constexpr size_t kMaxSources = 300;

struct SourcePlan {
  int kind;
  uint64_t size;
  std::string bytes;  // content of small sources; fill byte of kind 7
};

std::string ShortFile() {
  static const std::string name = [] {
    for (const char* path : {"/sys/kernel/mm/transparent_hugepage/enabled", "/sys/devices/system/cpu/online",
                             "/sys/kernel/profiling"}) {
      struct stat st;
      if (::stat(path, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 4096) return std::string(path);
    }
    return std::string("/dev/null");
  }();
  return name;
}

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The output file, in a directory of its own that lives in memory where
// the system has one, made and removed by each run (libFuzzer ends without
// running exit handlers). A real file is replaced the way a build's output
// is, in one write; a memory file reached through /proc/self/fd would be
// spooled and copied, which made every large pack cost three copies.
class OutputDir {
 public:
  OutputDir() {
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::snprintf(dir_, sizeof dir_, "%s/psgc-fuzz-XXXXXX", base);
      if (::mkdtemp(dir_) != nullptr) return;
    }
    __builtin_trap();
  }
  ~OutputDir() {
    ::unlink(path().c_str());
    ::rmdir(dir_);
  }
  std::string path() const { return std::string(dir_) + "/out.pak"; }

 private:
  char dir_[64];
};

int MemoryFile(const std::string& bytes, uint64_t size) {
  const int fd = ::memfd_create("psgc-fuzz", MFD_CLOEXEC);
  if (fd < 0) __builtin_trap();
  if (!bytes.empty() && ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    __builtin_trap();
  }
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0) __builtin_trap();
  return fd;
}

// Opens a source as the command line would, by name.
std::unique_ptr<psgc::SourceFile> Materialize(const SourcePlan& plan) {
  auto source = std::make_unique<psgc::SourceFile>();
  int own = -1;
  std::string path;
  switch (plan.kind) {
    case 0: own = MemoryFile(plan.bytes, plan.bytes.size()); break;
    case 2: own = MemoryFile("", plan.size); break;
    case 7: own = MemoryFile(std::string(plan.size, plan.bytes[0]), plan.size); break;
    case 3: path = "/dev/zero"; break;
    case 4: path = "/dev/null"; break;
    case 5: path = ShortFile(); break;
    case 1: {
      int fds[2];
      if (::pipe2(fds, O_CLOEXEC) != 0) __builtin_trap();
      // At most 255 bytes: the pipe holds them all before anyone reads.
      if (::write(fds[1], plan.bytes.data(), plan.bytes.size()) != static_cast<ssize_t>(plan.bytes.size())) {
        __builtin_trap();
      }
      ::close(fds[1]);
      own = fds[0];
      break;
    }
  }
  if (own >= 0) path = FdPath(own);
  if (!source->Open(path)) __builtin_trap();
  if (own >= 0) ::close(own);
  return source;
}

std::vector<SourcePlan> ReadPlans(const uint8_t* data, size_t size) {
  std::vector<SourcePlan> plans;
  size_t at = 0;
  auto take = [&]() -> int { return at < size ? data[at++] : -1; };
  while (at < size && plans.size() < kMaxSources) {
    const int k = take();
    const int kind = k & 7;
    const int p = k >> 3;
    if (kind == 6) {
      if (plans.empty()) continue;
      const SourcePlan last = plans.back();
      for (int i = 0; i < (p + 1) * 8 && plans.size() < kMaxSources; ++i) plans.push_back(last);
      continue;
    }
    SourcePlan plan{kind, 0, ""};
    if (kind == 0 || kind == 1) {
      const int length = take();
      for (int i = 0; i < length && at < size; ++i) plan.bytes += static_cast<char>(data[at++]);
    } else if (kind == 2) {
      plan.size = kLargeSizes[p];
    } else if (kind == 7) {
      plan.size = static_cast<uint64_t>(p + 1) * 4096;
      const int fill = take();
      plan.bytes = std::string(1, static_cast<char>(fill < 0 ? 0 : fill));
    }
    plans.push_back(plan);
  }
  return plans;
}

// The size from a line such as "The current PAK binary is : 1012 bytes".
uint64_t ReportedSize(const std::string& out) {
  const size_t at = out.find(" is : ");
  if (at == std::string::npos) __builtin_trap();
  return std::strtoull(out.c_str() + at + 6, nullptr, 10);
}

void BuildOnce(bool pcm, int outputKind, const std::vector<SourcePlan>& plans) {
  psgc::Sources sources;
  for (const SourcePlan& plan : plans) sources.push_back(Materialize(plan));
  const OutputDir dir;
  std::string path = outputKind == 1 ? "/dev/null" : "/dev/full";
  if (outputKind == 0) {
    path = dir.path();
    const int old = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (old < 0 || ::write(old, "old", 3) != 3) __builtin_trap();
    ::close(old);
  }
  psgc::Diagnostics diag = psgc::Diagnostics::Capturing();
  bool built;
  {
    psgc::OutputFile output;
    if (!output.Open(path)) __builtin_trap();
    psgc::PackWritten pack;
    built = pcm ? BuildPcmPack(diag, output, sources, psgc::AudioSettings{}, pack)
                : BuildTrackPack(diag, output, sources, pack);
    // As the driver saves a pack: committed, then its size line.
    if (built && !(pack.written && output.Commit())) {
      diag.Error(psgc::msg::kCouldntWriteOutput);
      built = false;
    }
    if (built && pcm) psgc::PrintPcmSummary(diag, pack.size);
  }
  // Success and no error line go together (a raw source that holds an
  // audio file warns by default, and a warning is no failure); /dev/full
  // never takes a pack; the file holds the whole pack or its old bytes.
  if (built == (diag.captured_err().find("ERROR- ") != std::string::npos)) __builtin_trap();
  if (outputKind == 2 && built) __builtin_trap();
  if (outputKind == 0) {
    const int memory = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (memory < 0 || ::fstat(memory, &st) != 0) __builtin_trap();
    char head[4] = {};
    if (::pread(memory, head, sizeof head, 0) < 3) __builtin_trap();
    if (built) {
      if (static_cast<uint64_t>(st.st_size) != ReportedSize(diag.captured_out())) __builtin_trap();
      if (std::memcmp(head, pcm ? "PCM" : "TRK", 3) != 0) __builtin_trap();
      if (static_cast<uint8_t>(head[3]) != static_cast<uint8_t>(plans.size())) __builtin_trap();
    } else if (st.st_size != 3 || std::memcmp(head, "old", 3) != 0) {
      __builtin_trap();
    }
    ::close(memory);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int outputKind = data[0] % 3;
  const std::vector<SourcePlan> plans = ReadPlans(data + 1, size - 1);
  if (plans.empty()) return 0;
  // The command line refuses more than 255 songs before the builder runs.
  if (plans.size() <= 255) BuildOnce(false, outputKind, plans);
  BuildOnce(true, outputKind, plans);
  return 0;
}
