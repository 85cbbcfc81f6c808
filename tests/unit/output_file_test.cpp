#include "common/output_file.h"
#include "common/source_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace psgc {
namespace {

class Scratch {
 public:
  Scratch() {
    char pattern[] = "/tmp/psgc-unit-XXXXXX";
    dir_ = ::mkdtemp(pattern);
  }
  ~Scratch() {
    for (const std::string& name : Names()) ::unlink(Path(name).c_str());
    ::rmdir(dir_.c_str());
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Every name in the directory, hidden ones included, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir_.c_str());
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string dir_;
};

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Append(OutputFile& out, const std::string& text) {
  return out.Append(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Until it is committed, a result has no name at all: a killed run leaves
// nothing. Where unnamed files are missing, a named temporary stands in.
TEST(OutputFile, ResultIsNamedOnlyWhenComplete) {
  for (const bool namedOnly : {false, true}) {
    UseNamedTemporariesOnly(namedOnly);
    Scratch dir;
    Put(dir.Path("out.bin"), "old");
    ::chmod(dir.Path("out.bin").c_str(), 0640);
    {
      OutputFile out;
      ASSERT_TRUE(out.Open(dir.Path("out.bin")));
      ASSERT_TRUE(Append(out, "new bytes"));
      EXPECT_EQ(namedOnly ? 2u : 1u, dir.Names().size());
      EXPECT_EQ("old", Contents(dir.Path("out.bin")));
      ASSERT_TRUE(out.Commit());
      EXPECT_FALSE(out.Commit());
    }
    EXPECT_EQ(std::vector<std::string>{"out.bin"}, dir.Names());
    EXPECT_EQ("new bytes", Contents(dir.Path("out.bin")));
    struct stat st;
    ASSERT_EQ(0, ::stat(dir.Path("out.bin").c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    {
      OutputFile out;  // dropped without a commit
      ASSERT_TRUE(out.Open(dir.Path("out.bin")));
      ASSERT_TRUE(Append(out, "lost"));
    }
    EXPECT_EQ(std::vector<std::string>{"out.bin"}, dir.Names());
    EXPECT_EQ("new bytes", Contents(dir.Path("out.bin")));
  }
  UseNamedTemporariesOnly(false);
}

// A signal removes a named temporary and ends the run with its own status;
// one that was ignored at start-up stays ignored.
TEST(OutputFile, SignalsRemoveNamedTemporaries) {
  const struct { int signal; bool ignored; } cases[] = {
      {SIGTERM, false}, {SIGINT, false}, {SIGHUP, false}, {SIGQUIT, false}, {SIGHUP, true}, {SIGINT, true}};
  for (const auto& c : cases) {
    Scratch dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::signal(c.signal, c.ignored ? SIG_IGN : SIG_DFL);
      RemoveTemporariesOnSignals();
      UseNamedTemporariesOnly(true);
      OutputFile out;
      if (!out.Open(dir.Path("out.bin"))) ::_exit(2);
      ::raise(c.signal);
      ::_exit(dir.Names().size() == 1 ? 0 : 3);  // still pending while the run goes on
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    if (c.ignored) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.signal;
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal) << c.signal;
    }
    EXPECT_EQ(c.ignored ? 1u : 0u, dir.Names().size()) << c.signal;
  }
}

// A name of 255 bytes takes a temporary whose name does not grow with it.
TEST(OutputFile, LongestNameInADirectory) {
  Scratch dir;
  OutputFile out;
  const std::string name(255, 'n');
  ASSERT_TRUE(out.Open(dir.Path(name)));
  ASSERT_TRUE(out.WriteAndCommit(reinterpret_cast<const uint8_t*>("x"), 1));
  EXPECT_EQ("x", Contents(dir.Path(name)));
}

TEST(OutputFile, LinksAreWrittenThrough) {
  Scratch dir;
  ASSERT_EQ(0, ::symlink("target.bin", dir.Path("dangling").c_str()));
  ASSERT_EQ(0, ::symlink("dangling", dir.Path("chain").c_str()));
  OutputFile out;
  ASSERT_TRUE(out.Open(dir.Path("chain")));
  ASSERT_TRUE(Append(out, "through"));
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ((std::vector<std::string>{"chain", "dangling", "target.bin"}), dir.Names());
  EXPECT_EQ("through", Contents(dir.Path("chain")));
  ASSERT_EQ(0, ::symlink("loop", dir.Path("loop").c_str()));
  EXPECT_FALSE(out.Open(dir.Path("loop")));
}

// A file reached only through a descriptor cannot be replaced by name: it is
// overwritten, shorter results included, but only by a complete result.
TEST(OutputFile, DescriptorPathIsWrittenInPlace) {
  const int fd = ::memfd_create("psgc-out", 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(6, ::write(fd, "old!!!", 6));
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  {
    OutputFile out;
    ASSERT_TRUE(out.Open(path));
    ASSERT_TRUE(Append(out, "lost"));
  }
  EXPECT_EQ("old!!!", Contents(path));
  OutputFile out;
  ASSERT_TRUE(out.Open(path));
  ASSERT_TRUE(Append(out, "new"));
  EXPECT_EQ("old!!!", Contents(path));
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ("new", Contents(path));
  ::close(fd);
}

TEST(OutputFile, RefusedDestinations) {
  Scratch dir;
  OutputFile out;
  EXPECT_FALSE(out.Open(dir.Path("missing/out.bin")));
  EXPECT_FALSE(out.Open(dir.Path("")));
  ASSERT_EQ(0, ::symlink("missing/out.bin", dir.Path("link").c_str()));
  EXPECT_FALSE(out.Open(dir.Path("link")));
  EXPECT_FALSE(Append(out, "x"));
  EXPECT_FALSE(out.Commit());
  EXPECT_EQ(std::vector<std::string>{"link"}, dir.Names());
}

// A pipe is read when measured, never past the limit; its bytes are kept
// only when asked for, and none of a stream past the limit. A regular file is measured by its size alone.
TEST(SourceFile, StreamsAreReadWithinTheLimit) {
  const struct { uint64_t limit; bool keep; uint64_t size; std::string read; } cases[] = {
      {100, true, 10, "0123456789"}, {10, true, 10, "0123456789"}, {9, true, 10, ""},
      {5, true, 6, ""},              {100, false, 10, ""},
  };
  for (const auto& c : cases) {
    int fds[2];
    ASSERT_EQ(0, ::pipe(fds));
    ASSERT_EQ(10, ::write(fds[1], "0123456789", 10));
    ::close(fds[1]);
    SourceFile source;
    ASSERT_TRUE(source.Open("/proc/self/fd/" + std::to_string(fds[0])));
    ::close(fds[0]);
    uint64_t size = 0;
    ASSERT_TRUE(source.Measure(c.limit, c.keep, size));
    EXPECT_EQ(c.size, size) << c.limit;
    std::string got(16, '\0');
    got.resize(source.ReadAt(0, reinterpret_cast<uint8_t*>(got.data()), got.size()));
    EXPECT_EQ(c.read, got) << c.limit;
  }
  Scratch dir;
  Put(dir.Path("file"), "0123456789");
  SourceFile file;
  ASSERT_TRUE(file.Open(dir.Path("file")));
  uint64_t size = 0;
  ASSERT_TRUE(file.Measure(3, false, size));
  EXPECT_EQ(10u, size);
  uint8_t tail[4];
  EXPECT_EQ(2u, file.ReadAt(8, tail, sizeof tail));
}

}  // namespace
}  // namespace psgc
