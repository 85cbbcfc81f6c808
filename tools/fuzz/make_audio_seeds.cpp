// Writes small audio files for the fuzz_audio corpus: one of each container
// and sample format that psgc reads, a few hundredths of a second long.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Seed {
  const char* name;
  int format;
  int rate;
  int channels;
};

constexpr Seed kSeeds[] = {
    {"u8_6992.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 6992, 1},
    {"s16_44100_stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2},
    {"s24_48000.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1},
    {"float_22050.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, 1},
    {"ulaw_8000.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, 1},
    {"ima_11025.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 11025, 1},
    {"s16_22050.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 1},
    {"s8_stereo.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 6992, 2},
    {"float.aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 16000, 1},
    {"s16_8000.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1},
    {"s24_44100_stereo.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 2},
    {"vorbis_22050.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050, 1},
};

bool WriteSeed(const std::string& dir, const Seed& seed) {
  const int frames = seed.rate / 40;  // 25 ms
  std::vector<float> samples;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / seed.rate;
    for (int c = 0; c < seed.channels; ++c)
      samples.push_back(static_cast<float>(0.7 * std::sin(2 * M_PI * (220 + 110 * c) * t)));
  }
  SF_INFO info{};
  info.samplerate = seed.rate;
  info.channels = seed.channels;
  info.format = seed.format;
  const std::string path = dir + "/" + seed.name;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_audio_seeds DIR\n");
    return 2;
  }
  bool ok = true;
  for (const Seed& seed : kSeeds) ok = WriteSeed(argv[1], seed) && ok;
  return ok ? 0 : 1;
}
