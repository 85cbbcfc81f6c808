// libsndfile and libsamplerate, loaded when the first audio source is met:
// a run without audio files starts without them. The headers still give
// the types; the functions are called through this table.
#pragma once

#include <samplerate.h>
#include <sndfile.h>

#include <string>

namespace psgc {

struct AudioLibraries {
  decltype(&::sf_open_virtual) sf_open_virtual;
  decltype(&::sf_readf_float) sf_readf_float;
  decltype(&::sf_close) sf_close;
  decltype(&::sf_command) sf_command;
  decltype(&::sf_error) sf_error;
  decltype(&::sf_strerror) sf_strerror;
  decltype(&::src_new) src_new;
  decltype(&::src_process) src_process;
  decltype(&::src_delete) src_delete;
  decltype(&::src_is_valid_ratio) src_is_valid_ratio;
  decltype(&::src_strerror) src_strerror;
};

// Both libraries, loaded on the first call and kept for the run. Null with
// the loader's `reason` when either cannot be loaded (every call says why).
const AudioLibraries* LoadAudioLibraries(std::string& reason);

}  // namespace psgc
