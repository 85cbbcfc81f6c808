// Preloaded into psgc by check_audio_loading.py. Every dlopen() name is
// appended to the file named by PSGC_TEST_DLOPEN_LOG, and a name listed in
// PSGC_TEST_HIDE_LIBRARIES (colon-separated) is looked for in a directory
// that does not exist, so it fails as if the library were not installed.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool IsHidden(const std::string& name) {
  const char* hidden = std::getenv("PSGC_TEST_HIDE_LIBRARIES");
  if (hidden == nullptr) return false;
  const std::string list = std::string(":") + hidden + ":";
  return list.find(":" + name + ":") != std::string::npos;
}

void Log(const char* name) {
  const char* path = std::getenv("PSGC_TEST_DLOPEN_LOG");
  if (path == nullptr) return;
  if (std::FILE* log = std::fopen(path, "a")) {
    std::fprintf(log, "%s\n", name);
    std::fclose(log);
  }
}

}  // namespace

extern "C" void* dlopen(const char* name, int flags) {
  using Open = void* (*)(const char*, int);
  static const Open realOpen = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
  if (name == nullptr) return realOpen(name, flags);
  Log(name);
  if (IsHidden(name)) return realOpen(("/nonexistent/" + std::string(name)).c_str(), flags);
  return realOpen(name, flags);
}
