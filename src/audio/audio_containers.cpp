// Signatures of the audio containers libsndfile decodes. Each is checked
// beyond its four-letter mark where the format allows, so that raw samples
// that happen to start with the same letters pass.
#include "audio/audio_containers.h"

#include <cstring>

namespace psgc {
namespace {

constexpr AudioContainer kWav = {"a WAV file", ".wav"};
constexpr AudioContainer kAiff = {"an AIFF file", ".aiff"};
constexpr AudioContainer kAifc = {"an AIFF-C file", ".aifc"};
constexpr AudioContainer kFlac = {"a FLAC file", ".flac"};
constexpr AudioContainer kOgg = {"an Ogg file", ".ogg"};
constexpr AudioContainer kMp3 = {"an MP3 file", ".mp3"};
constexpr AudioContainer kMpeg = {"an MPEG audio file", ".mp3"};
constexpr AudioContainer kCaf = {"a CAF file", ".caf"};

bool Has(const uint8_t* head, size_t size, size_t at, const char* mark) {
  const size_t length = std::strlen(mark);
  return at + length <= size && std::memcmp(head + at, mark, length) == 0;
}

// An ID3v2 tag: "ID3", a major version 2 to 4, a revision, flags, and a
// size of four 7-bit bytes.
bool IsId3Tag(const uint8_t* head, size_t size) {
  if (size < 10 || !Has(head, size, 0, "ID3")) return false;
  if (head[3] < 2 || head[3] > 4 || head[4] == 0xFF) return false;
  for (int i = 6; i < 10; ++i) {
    if (head[i] & 0x80) return false;
  }
  return true;
}

// An MPEG audio frame header: 11 sync bits, then version (2 bits: 2.5,
// reserved, 2, 1), layer (2 bits: reserved, III, II, I), protection,
// bitrate index (4 bits; 0 is free format, 15 invalid), sample-rate index
// (2 bits; 3 invalid), padding. Gives the frame's length in bytes, 0 when
// the four bytes at `at` are no header whose length can be known.
size_t MpegFrameLength(const uint8_t* head, size_t size, size_t at) {
  if (at + 4 > size || head[at] != 0xFF || (head[at + 1] & 0xE0) != 0xE0) return 0;
  const int version = (head[at + 1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
  const int layer = 4 - ((head[at + 1] >> 1) & 3);  // 1, 2, 3; 4 reserved
  const int bitrateIndex = head[at + 2] >> 4;
  const int rateIndex = (head[at + 2] >> 2) & 3;
  const int padding = (head[at + 2] >> 1) & 1;
  if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return 0;
  static const int kKbps[5][16] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // 1, layer I
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // 1, layer II
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // 1, layer III
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // 2 and 2.5, layer I
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // 2 and 2.5, layers II, III
  };
  static const int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
  const bool one = version == 3;
  const int row = one ? layer - 1 : (layer == 1 ? 3 : 4);
  const long bitrate = kKbps[row][bitrateIndex] * 1000L;
  const long rate = kRates[version][rateIndex];
  if (layer == 1) return static_cast<size_t>((12 * bitrate / rate + padding) * 4);
  const long perFrame = layer == 3 && !one ? 72 : 144;
  return static_cast<size_t>(perFrame * bitrate / rate + padding);
}

// Two MPEG audio frames in a row, of one version, layer and rate: one
// header alone is too easily a pair of loud raw samples ($FF $FB).
const AudioContainer* MpegFrames(const uint8_t* head, size_t size) {
  const size_t length = MpegFrameLength(head, size, 0);
  if (length == 0 || MpegFrameLength(head, size, length) == 0) return nullptr;
  if ((head[1] & 0xFE) != (head[length + 1] & 0xFE) || (head[2] & 0x0C) != (head[length + 2] & 0x0C)) {
    return nullptr;
  }
  return ((head[1] >> 1) & 3) == 1 ? &kMp3 : &kMpeg;
}

}  // namespace

const AudioContainer* RecognizeAudioContainer(const uint8_t* head, size_t size) {
  if (Has(head, size, 0, "RIFF") && Has(head, size, 8, "WAVE")) return &kWav;
  if (Has(head, size, 0, "FORM") && Has(head, size, 8, "AIFF")) return &kAiff;
  if (Has(head, size, 0, "FORM") && Has(head, size, 8, "AIFC")) return &kAifc;
  // FLAC's mark is followed by its STREAMINFO block (type 0, maybe marked
  // last: the top bit) of 34 bytes.
  if (Has(head, size, 0, "fLaC") && size >= 8 && (head[4] & 0x7F) == 0 && head[5] == 0 && head[6] == 0 &&
      head[7] == 34) {
    return &kFlac;
  }
  // An Ogg page: "OggS" and stream structure version 0.
  if (Has(head, size, 0, "OggS") && size >= 5 && head[4] == 0) return &kOgg;
  if (IsId3Tag(head, size)) return &kMp3;
  // A CAF file: "caff" and file version 1.
  if (Has(head, size, 0, "caff") && size >= 6 && head[4] == 0 && head[5] == 1) return &kCaf;
  return MpegFrames(head, size);
}

}  // namespace psgc
