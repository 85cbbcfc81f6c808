// libsndfile over psgc's own sources: its virtual I/O reads the source that
// the driver opened, so the file is opened once, like every other source.
#include "audio/sound_reader.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace psgc {
namespace {

// One read takes this many samples, spread over the channels.
constexpr size_t kChunkSamples = 65536;

SoundReader::Input& InputOf(void* user) { return *static_cast<SoundReader::Input*>(user); }

sf_count_t InputLength(void* user) { return InputOf(user).size; }

sf_count_t InputSeek(sf_count_t offset, int whence, void* user) {
  SoundReader::Input& in = InputOf(user);
  sf_count_t base = 0;
  if (whence == SEEK_CUR) base = in.position;
  if (whence == SEEK_END) base = in.size;
  if (offset < -base || offset > INT64_MAX - base) return -1;
  in.position = base + offset;
  return in.position;
}

sf_count_t InputRead(void* ptr, sf_count_t count, void* user) {
  SoundReader::Input& in = InputOf(user);
  if (count <= 0 || in.position >= in.size) return 0;
  const sf_count_t n = count < in.size - in.position ? count : in.size - in.position;
  sf_count_t got = n;
  if (in.file != nullptr) {
    got = static_cast<sf_count_t>(in.file->ReadAt(static_cast<uint64_t>(in.position),
                                                  static_cast<uint8_t*>(ptr), static_cast<size_t>(n)));
  } else {
    std::memcpy(ptr, in.data + in.position, static_cast<size_t>(n));
  }
  in.position += got;
  return got;
}

sf_count_t InputWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t InputTell(void* user) { return InputOf(user).position; }

SF_VIRTUAL_IO g_inputIo = {InputLength, InputSeek, InputRead, InputWrite, InputTell};

struct EncodingName {
  int subtype;
  const char* name;
};
constexpr EncodingName kEncodingNames[] = {
    {SF_FORMAT_PCM_S8, "8-bit"},        {SF_FORMAT_PCM_U8, "8-bit"},     {SF_FORMAT_PCM_16, "16-bit"},
    {SF_FORMAT_PCM_24, "24-bit"},       {SF_FORMAT_PCM_32, "32-bit"},    {SF_FORMAT_FLOAT, "32-bit float"},
    {SF_FORMAT_DOUBLE, "64-bit float"}, {SF_FORMAT_ULAW, "8-bit u-law"}, {SF_FORMAT_ALAW, "8-bit A-law"},
    {SF_FORMAT_VORBIS, "Vorbis"},       {SF_FORMAT_OPUS, "Opus"},
};

}  // namespace

SoundReader::~SoundReader() {
  if (file_ != nullptr) audio_->sf_close(file_);
}

bool SoundReader::Open(const uint8_t* data, size_t size, std::string& reason) {
  input_ = Input{nullptr, data, static_cast<int64_t>(size), 0};
  return OpenInput(reason);
}

bool SoundReader::Open(SourceFile& file, uint64_t size, std::string& reason) {
  input_ = Input{&file, nullptr, static_cast<int64_t>(size), 0};
  return OpenInput(reason);
}

bool SoundReader::Restart(std::string& reason) {
  if (file_ != nullptr) audio_->sf_close(file_);
  file_ = nullptr;
  input_.position = 0;
  return OpenInput(reason);
}

bool SoundReader::OpenInput(std::string& reason) {
  audio_ = LoadAudioLibraries(reason);
  if (audio_ == nullptr) return false;
  info_ = SF_INFO{};
  file_ = audio_->sf_open_virtual(&g_inputIo, SFM_READ, &info_, &input_);
  if (file_ == nullptr) {
    reason = audio_->sf_strerror(nullptr);
    return false;
  }
  return true;
}

std::string SoundReader::Encoding() const {
  const int subtype = info_.format & SF_FORMAT_SUBMASK;
  for (const EncodingName& e : kEncodingNames) {
    if (e.subtype == subtype) return e.name;
  }
  // Anything else (ADPCM, GSM, ...) by libsndfile's own name for it.
  SF_FORMAT_INFO format{};
  format.format = subtype;
  if (audio_->sf_command(nullptr, SFC_GET_FORMAT_INFO, &format, sizeof format) == 0 && format.name != nullptr) {
    return format.name;
  }
  return "encoded";
}

bool SoundReader::ReadMono(std::vector<float>& mono, std::string& reason) {
  const int channels = info_.channels;
  const size_t chunkFrames = kChunkSamples / static_cast<size_t>(channels);
  interleaved_.resize(chunkFrames * static_cast<size_t>(channels));
  const sf_count_t got = audio_->sf_readf_float(file_, interleaved_.data(), static_cast<sf_count_t>(chunkFrames));
  if (got <= 0 && audio_->sf_error(file_) != SF_ERR_NO_ERROR) {
    reason = audio_->sf_strerror(file_);
    return false;
  }
  const size_t frames = got > 0 ? static_cast<size_t>(got) : 0;
  mono.resize(frames);
  for (size_t f = 0; f < frames; ++f) {
    const float* frame = &interleaved_[f * static_cast<size_t>(channels)];
    double sum = 0;
    for (int c = 0; c < channels; ++c) {
      // A float file may hold NaN or infinity: played as silence.
      if (std::isfinite(frame[c])) sum += frame[c];
    }
    mono[f] = static_cast<float>(sum / channels);
  }
  return true;
}

}  // namespace psgc
