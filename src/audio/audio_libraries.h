// libsndfile and libsoxr, loaded when the first audio source is met:
// a run without audio files starts without them. The headers still give
// the types; the functions are called through this table.
#pragma once

#include <sndfile.h>
#include <soxr.h>

#include <string>

namespace psgc {

struct AudioLibraries {
  decltype(&::sf_open_virtual) sf_open_virtual;
  decltype(&::sf_readf_float) sf_readf_float;
  decltype(&::sf_close) sf_close;
  decltype(&::sf_command) sf_command;
  decltype(&::sf_error) sf_error;
  decltype(&::sf_strerror) sf_strerror;
  decltype(&::soxr_create) soxr_create;
  decltype(&::soxr_process) soxr_process;
  decltype(&::soxr_delete) soxr_delete;
  decltype(&::soxr_io_spec) soxr_io_spec;
  decltype(&::soxr_quality_spec) soxr_quality_spec;
};

// Both libraries, loaded on the first call and kept for the run. Null with
// the loader's `reason` when either cannot be loaded (every call says why).
const AudioLibraries* LoadAudioLibraries(std::string& reason);

}  // namespace psgc
