// The audio libraries are opened by their sonames, the names the Debian
// runtime packages install, and are never closed: the run ends soon after.
#include "audio/audio_libraries.h"

#include <dlfcn.h>

namespace psgc {
namespace {

constexpr char kSndfileName[] = "libsndfile.so.1";
constexpr char kSoxrName[] = "libsoxr.so.0";

struct LoadedLibraries {
  bool loaded = false;
  std::string reason;
  AudioLibraries calls{};
};

std::string LoaderReason() {
  const char* reason = dlerror();
  return reason != nullptr ? reason : "unknown loader error";
}

// Resolves `name` from `library` into `slot`; false with the reason.
template <typename Function>
bool Resolve(void* library, const char* name, Function& slot, std::string& reason) {
  dlerror();
  void* address = dlsym(library, name);
  if (address == nullptr) {
    reason = LoaderReason();
    return false;
  }
  slot = reinterpret_cast<Function>(address);
  return true;
}

bool ResolveSndfile(void* library, AudioLibraries& calls, std::string& reason) {
  return Resolve(library, "sf_open_virtual", calls.sf_open_virtual, reason) &&
         Resolve(library, "sf_readf_float", calls.sf_readf_float, reason) &&
         Resolve(library, "sf_close", calls.sf_close, reason) &&
         Resolve(library, "sf_command", calls.sf_command, reason) &&
         Resolve(library, "sf_error", calls.sf_error, reason) &&
         Resolve(library, "sf_strerror", calls.sf_strerror, reason);
}

bool ResolveSoxr(void* library, AudioLibraries& calls, std::string& reason) {
  return Resolve(library, "soxr_create", calls.soxr_create, reason) &&
         Resolve(library, "soxr_process", calls.soxr_process, reason) &&
         Resolve(library, "soxr_delete", calls.soxr_delete, reason) &&
         Resolve(library, "soxr_io_spec", calls.soxr_io_spec, reason) &&
         Resolve(library, "soxr_quality_spec", calls.soxr_quality_spec, reason);
}

void* Open(const char* name, std::string& reason) {
  void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) reason = LoaderReason();
  return library;
}

LoadedLibraries Load() {
  LoadedLibraries result;
  void* sndfile = Open(kSndfileName, result.reason);
  if (sndfile == nullptr || !ResolveSndfile(sndfile, result.calls, result.reason)) return result;
  void* soxr = Open(kSoxrName, result.reason);
  if (soxr == nullptr || !ResolveSoxr(soxr, result.calls, result.reason)) return result;
  result.loaded = true;
  return result;
}

}  // namespace

const AudioLibraries* LoadAudioLibraries(std::string& reason) {
  static const LoadedLibraries libraries = Load();
  if (!libraries.loaded) {
    reason = libraries.reason;
    return nullptr;
  }
  return &libraries.calls;
}

}  // namespace psgc
