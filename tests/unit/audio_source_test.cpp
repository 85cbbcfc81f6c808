#include "audio/audio_source.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "audio/audio_containers.h"

namespace psgc {
namespace {

constexpr uint64_t kLimit = 8388608;

// Test audio is written with libsndfile into a fresh directory.
class AudioFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/psgc-audio-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  // Writes interleaved float frames in `format`; returns the path.
  std::string Write(const std::string& name, int format, int rate, int channels,
                    const std::vector<float>& frames) {
    const std::string path = dir_ + "/" + name;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    if (file == nullptr) return path;
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    sf_writef_float(file, frames.data(), static_cast<sf_count_t>(frames.size() / channels));
    sf_close(file);
    return path;
  }

  // The same with 16-bit integer frames, stored exactly in every container.
  std::string WriteShorts(const std::string& name, int format, int rate, const std::vector<short>& frames) {
    const std::string path = dir_ + "/" + name;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    if (file == nullptr) return path;
    sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size()));
    sf_close(file);
    return path;
  }

  // Converts the file at `path` as -pcm would.
  AudioStatus Convert(const std::string& path, ByteBuffer& samples, AudioSettings settings = {},
                      uint64_t limit = kLimit) {
    SourceFile source;
    EXPECT_TRUE(source.Open(path));
    return ConvertAudioSource(diag_, source, settings, limit, samples);
  }

  static std::vector<float> Sine(double hz, int rate, int frames, double amplitude, int channels = 1) {
    std::vector<float> out;
    for (int i = 0; i < frames; ++i) {
      const float v = static_cast<float>(amplitude * std::sin(2 * M_PI * hz * i / rate));
      for (int c = 0; c < channels; ++c) out.push_back(c % 2 ? -v : v);
    }
    return out;
  }

  Diagnostics diag_ = Diagnostics::Capturing();
  std::string dir_;
};

TEST(IsAudioSourceName, TheAudioExtensionsInAnyCase) {
  for (const char* name : {"a.wav", "a.WAV", "b.Wave", "c.aif", "c.AIFF", "c.aifc", "d.flac", "e.ogg",
                           "e.oga", "f.opus", "g.mp3", "g.MP3", "h.caf", "dir.raw/kick.wav", ".wav"}) {
    EXPECT_TRUE(IsAudioSourceName(name)) << name;
  }
  for (const char* name :
       {"a.raw", "a.pcm", "wav", "a.wav.raw", "a.wavx", "a_wav", "a.mp3.raw", "kick.wav/x", ""}) {
    EXPECT_FALSE(IsAudioSourceName(name)) << name;
  }
}

// An 8-bit unsigned mono WAV at 6992 Hz is not resampled, and every byte of
// its data chunk keeps its five significant bits: the pack gets exactly
// what the same bytes as a raw file give.
TEST_F(AudioFiles, EightBitWavAtTheConsoleRateIsTheIdentity) {
  std::vector<uint8_t> data(4096);
  std::mt19937 random(6992);
  for (size_t i = 0; i < data.size(); ++i) data[i] = i < 256 ? static_cast<uint8_t>(i) : random() & 0xFF;
  std::vector<float> frames;
  for (uint8_t b : data) frames.push_back(static_cast<float>((b - 128) / 128.0));
  const std::string path = Write("id.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 6992, 1, frames);
  ByteBuffer samples;
  ASSERT_EQ(Convert(path, samples), AudioStatus::Converted);
  ASSERT_EQ(samples.size(), data.size());
  for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(samples[i], data[i] & 0xF8) << i;
  EXPECT_EQ(diag_.captured_out(),
            "Converted " + path + " : 6992 Hz, 1 channel, 8-bit, 0.59 s -> 4096 samples\n");
}

// Where the pack's levels rise through the middle (between levels 15 and
// 16), interpolated between samples: a tone's period is their spacing.
std::vector<double> RisingCrossings(const ByteBuffer& samples) {
  std::vector<double> rising;
  for (size_t i = 1; i < samples.size(); ++i) {
    const double a = (samples[i - 1] >> 3) - 15.5;
    const double b = (samples[i] >> 3) - 15.5;
    if (a < 0 && b >= 0) rising.push_back(static_cast<double>(i - 1) + a / (a - b));
  }
  return rising;
}

// A 1 kHz sine at 44100 Hz comes out as a 1 kHz sine at 6992 Hz: the rising
// zero crossings (between levels 15 and 16) give its frequency within 1 %.
TEST_F(AudioFiles, ResamplingKeepsPitchAndLength) {
  const int frames = 44100 * 2;
  const std::string path =
      Write("sine.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, Sine(1000, 44100, frames, 0.8));
  ByteBuffer samples;
  ASSERT_EQ(Convert(path, samples), AudioStatus::Converted);
  EXPECT_NEAR(static_cast<double>(samples.size()), frames * 6992.0 / 44100, 1.0);
  const std::vector<double> rising = RisingCrossings(samples);
  ASSERT_GT(rising.size(), 100u);
  const double hz = (rising.size() - 1) * 6992.0 / (rising.back() - rising.front());
  EXPECT_NEAR(hz, 1000.0, 10.0);
  // A sine of 0.8 reaches levels 3 and 28, not beyond.
  uint8_t low = 255;
  uint8_t high = 0;
  for (uint8_t s : samples) low = std::min(low, s), high = std::max(high, s);
  EXPECT_EQ(low >> 3, 3);
  EXPECT_EQ(high >> 3, 28);
}

// Channels are averaged: a stereo file whose sides cancel is silence.
TEST_F(AudioFiles, ChannelsAreAveraged) {
  const std::string path =
      Write("cancel.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000, 2, Sine(440, 48000, 4800, 0.9, 2));
  ByteBuffer samples;
  ASSERT_EQ(Convert(path, samples), AudioStatus::Converted);
  EXPECT_EQ(samples, ByteBuffer(699, 0x80));
  EXPECT_EQ(diag_.captured_out(),
            "Converted " + path + " : 48000 Hz, 2 channels, 24-bit, 0.10 s -> 699 samples\n");
}

// The lossless containers decode to the same levels; Vorbis and Opus to
// the right length.
TEST_F(AudioFiles, EveryContainerDecodes) {
  std::vector<short> tone;
  for (int i = -32768; i < 32768; i += 7) tone.push_back(static_cast<short>(i));
  ByteBuffer wav;
  ASSERT_EQ(Convert(WriteShorts("t.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6992, tone), wav),
            AudioStatus::Converted);
  for (size_t i = 0; i < tone.size(); ++i) ASSERT_EQ(wav[i] >> 3, (tone[i] + 32768) >> 11) << tone[i];
  for (const auto& [name, format] : {std::pair{"t.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
                                     std::pair{"t.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16}}) {
    ByteBuffer other;
    ASSERT_EQ(Convert(WriteShorts(name, format, 6992, tone), other), AudioStatus::Converted) << name;
    EXPECT_EQ(other, wav) << name;
  }
  // Vorbis is lossy: the length and the format are what can be checked.
  ByteBuffer ogg;
  const std::string path =
      Write("t.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1, Sine(300, 44100, 44100, 0.5));
  ASSERT_EQ(Convert(path, ogg), AudioStatus::Converted);
  EXPECT_NEAR(static_cast<double>(ogg.size()), 6992, 1);
  EXPECT_NE(diag_.captured_out().find(" : 44100 Hz, 1 channel, Vorbis, 1.00 s -> "), std::string::npos);
  ByteBuffer opus;
  const std::string opusPath =
      Write("t.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 1, Sine(300, 48000, 48000, 0.5));
  ASSERT_EQ(Convert(opusPath, opus), AudioStatus::Converted) << diag_.captured_err();
  EXPECT_NEAR(static_cast<double>(opus.size()), 6992, 1);
  EXPECT_NE(diag_.captured_out().find(" : 48000 Hz, 1 channel, Opus, 1.00 s -> "), std::string::npos);
}

TEST_F(AudioFiles, ClippingIsCountedAndNormalizeReachesFullScale) {
  // A float file may exceed full scale: two samples do here.
  const std::string loud =
      Write("loud.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 6992, 1, {0.5f, 1.5f, -2.0f, 0.0f});
  ByteBuffer samples;
  ASSERT_EQ(Convert(loud, samples), AudioStatus::Converted);
  EXPECT_EQ(samples, (ByteBuffer{0xC0, 0xF8, 0x00, 0x80}));
  EXPECT_EQ(diag_.captured_out(),
            "Converted " + loud + " : 6992 Hz, 1 channel, 32-bit float, 0.00 s -> 4 samples, 2 clipped\n");

  const std::string quiet =
      Write("quiet.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6992, 1, {0.25f, -0.125f, 0.0f});
  ASSERT_EQ(Convert(quiet, samples, AudioSettings{true, false}), AudioStatus::Converted);
  EXPECT_EQ(samples, (ByteBuffer{0xF8, 0x40, 0x80}));
}

// A FLAC file may leave its length unknown (a stream written to a pipe):
// it is decoded to its end, not refused as too long.
TEST_F(AudioFiles, FlacOfUnknownLengthIsReadToItsEnd) {
  const std::string path =
      Write("open.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, Sine(440, 44100, 4410, 0.5));
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(file, nullptr);
  // "fLaC", a block header, then STREAMINFO: its total sample count is the
  // low 4 bits of byte 13 and bytes 14 to 17; 0 means unknown.
  uint8_t info[26];
  ASSERT_EQ(std::fread(info, 1, sizeof info, file), sizeof info);
  ASSERT_EQ(std::string(reinterpret_cast<char*>(info), 4), "fLaC");
  info[8 + 13] &= 0xF0;
  for (int i = 14; i < 18; ++i) info[8 + i] = 0;
  std::fseek(file, 0, SEEK_SET);
  std::fwrite(info, 1, sizeof info, file);
  std::fclose(file);
  ByteBuffer samples;
  ASSERT_EQ(Convert(path, samples), AudioStatus::Converted) << diag_.captured_err();
  EXPECT_NEAR(static_cast<double>(samples.size()), 699.2, 1);
  // Past a limit it is decoded to its end all the same, to say its length.
  EXPECT_EQ(Convert(path, samples, {}, 600), AudioStatus::TooLong);
  EXPECT_EQ(diag_.captured_err(), "ERROR- Audio file too long for a PCM stream : " + path +
                                      " (699 samples at 6992 Hz, max is 600)\n");
}

// An MP3 file, encoded here by libsndfile (with LAME, which Debian's
// libsndfile always brings), decodes as .mp3: a 1 kHz tone keeps its pitch
// and, give or take the encoder's padding, its length. Its first bytes are
// recognised as MP3 by the pcm-container check, with its ID3 tag or
// without (bare MPEG frames).
TEST_F(AudioFiles, Mp3DecodesAndIsRecognised) {
  const int frames = 44100;
  const std::string path = dir_ + "/tone.mp3";
  {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) GTEST_SKIP() << "libsndfile cannot encode MP3 here: " << sf_strerror(nullptr);
    const std::vector<float> tone = Sine(1000, 44100, frames, 0.5);
    sf_writef_float(file, tone.data(), frames);
    sf_close(file);
  }
  ByteBuffer samples;
  ASSERT_EQ(Convert(path, samples), AudioStatus::Converted) << diag_.captured_err();
  EXPECT_NEAR(static_cast<double>(samples.size()), 6992, 400);
  EXPECT_NE(diag_.captured_out().find(" : 44100 Hz, 1 channel, "), std::string::npos) << diag_.captured_out();
  const std::vector<double> rising = RisingCrossings(samples);
  ASSERT_GT(rising.size(), 100u);
  EXPECT_NEAR((rising.size() - 1) * 6992.0 / (rising.back() - rising.front()), 1000.0, 10.0);

  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::vector<uint8_t> head(1 << 16);
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);
  const AudioContainer* container = RecognizeAudioContainer(head.data(), head.size());
  ASSERT_NE(container, nullptr);
  EXPECT_STREQ(container->extension, ".mp3");
  size_t frame = 0;
  if (head.size() > 10 && std::memcmp(head.data(), "ID3", 3) == 0) {
    frame = 10 + ((head[6] << 21) | (head[7] << 14) | (head[8] << 7) | head[9]);
  }
  ASSERT_LT(frame + kContainerProbeBytes, head.size());
  container = RecognizeAudioContainer(head.data() + frame, kContainerProbeBytes);
  ASSERT_NE(container, nullptr);
  EXPECT_STREQ(container->what, "an MP3 file");
}

TEST_F(AudioFiles, EmptyAudioIsAnEmptyStream) {
  const std::string path = Write("empty.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 2, {});
  ByteBuffer samples{1, 2, 3};
  ASSERT_EQ(Convert(path, samples), AudioStatus::Converted);
  EXPECT_TRUE(samples.empty());
}

// A file too long is refused with its name and its length at 6992 Hz:
// announced in its header (refused unread) or found by decoding it (a FLAC
// stream of unknown length, counted to its end), never a progress line.
TEST_F(AudioFiles, AStreamPastTheLimitIsRefusedWithItsLength) {
  const std::string path =
      Write("long.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, Sine(100, 44100, 44100, 0.5));
  ByteBuffer samples;
  EXPECT_EQ(Convert(path, samples, {}, 6990), AudioStatus::TooLong);
  EXPECT_EQ(diag_.captured_err(),
            "ERROR- Audio file too long for a PCM stream : " + path + " (6992 samples at 6992 Hz, max is 6990)\n");
  EXPECT_EQ(Convert(path, samples, {}, 6992), AudioStatus::Converted);
  EXPECT_EQ(samples.size(), 6992u);
  EXPECT_EQ(diag_.captured_out().find("Converted"), diag_.captured_out().rfind("Converted"));
}

TEST_F(AudioFiles, UndecodableDataIsReportedWithLibsndfilesReason) {
  const uint8_t text[] = "not audio at all\n";
  ByteBuffer samples;
  EXPECT_EQ(ConvertAudioBytes(diag_, "x.flac", text, sizeof text, {}, kLimit, samples), AudioStatus::Failed);
  EXPECT_EQ(diag_.captured_err(), "ERROR- Can't decode audio file : x.flac (Format not recognised.)\n");
  EXPECT_EQ(diag_.captured_out(), "");
}

}  // namespace
}  // namespace psgc
