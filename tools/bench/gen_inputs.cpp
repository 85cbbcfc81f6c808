// Writes large valid inputs for the benchmark: songs of N music blocks over
// six channels with 255 instruments, a script of 255 six-channel sound
// effects, seven 8 MiB PCM samples, and two MUS binaries made to strain
// --dump (64 MiB of one-byte events; calls hidden in operands). Each
// case's expected output size goes to a manifest line "<case> <bytes>",
// computed from the bytes every line is known to compile to.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kInstruments = 255;
constexpr int kNoiseFrom = 250;  // the last five instruments use noise
constexpr int kChannels = 6;
const char* const kNotes[] = {"c.4", "e.4", "g.4", "a.3", "bb3", "fs5", "d.2", "cs4", "ab6", "b.1"};

void MakeDir(const std::string& path) { ::mkdir(path.c_str(), 0755); }

// 52 bytes per tone instrument, 53 with noise.
uint64_t WriteInstruments(const std::string& path) {
  std::ofstream f(path);
  uint64_t bytes = 0;
  for (int i = 0; i < kInstruments; ++i) {
    const bool noise = i >= kNoiseFrom;
    f << "inst" << i << "\n";
    if (noise) f << "  noise\n";
    f << "  wave";
    for (int s = 0; s < 32; ++s) f << ' ' << (s * 7 + i) % 33;
    f << "\n  volume 31\n  tuning 32\n  frequency 100 1.5\n{\n  wait 2\n  noteoff\n"
         "  volume 20, 1.128\n  wait 4\n  end\n}\n\n";
    const uint64_t size = 33 + 4 + 6 + 2 + 4 + 2 + 1 + (noise ? 1 : 0);
    bytes += 8 + size;  // pointer + note-off pointer + bytes
  }
  return bytes;
}

// Every block: using, pan, ten notes, a call of a block of the next
// channel, return: 2 + 10 * 6 + 5 + 1 = 68 bytes.
uint64_t WriteSong(const std::string& dir, int blocks) {
  const uint64_t table = WriteInstruments(dir + "/instruments.txt");
  const int perChannel = blocks / kChannels;
  for (int c = 0; c < kChannels; ++c) {
    std::ofstream f(dir + "/ch" + std::to_string(c) + ".txt");
    for (int k = 0; k < perChannel; ++k) {
      const int inst = (c >= 4 && k % 7 == 0) ? kNoiseFrom + k % 5 : (k * 31 + c) % kNoiseFrom;
      f << "blk" << c << '_' << k << (k == 0 ? " 10" : "") << "\n{\n";
      f << "  using inst" << inst << "\n  pan $EE\n";
      for (int n = 0; n < 10; ++n) f << "  " << kNotes[(k + n) % 10] << ' ' << (n * 25 + k % 7 + 1) << "\n";
      f << "  call blk" << (c + 1) % kChannels << '_' << (k + 1) % perChannel << "\n  return\n}\n\n";
    }
  }
  return 44 + uint64_t(perChannel) * kChannels * 68 + table;
}

// 255 sound effects of six channels, two of them with noise; each channel
// repeats a loop of frequency and volume slides.
uint64_t WriteEffects(const std::string& path, int repeats) {
  std::ofstream f(path);
  uint64_t bytes = 4 + 4 * 255;
  for (int e = 0; e < 255; ++e) {
    f << "fx" << e << ' ' << e % 256 << "\n{\n";
    bytes += 2;
    for (int c = 0; c < kChannels; ++c) {
      uint64_t size = 0;
      if (c < 2) {
        f << "  noise\n";
        size += 1;
      }
      f << "  wave 0,4,8,12,16,20,24,28,32,28,24,20,16,12,8,4,0,4,8,12,16,20,24,28,32,28,24,20,16,12,8,4\n";
      f << "  volume 31 0.128\n{\n";
      size += 33 + 4;
      for (int r = 0; r < repeats; ++r) {
        f << "  loop 4\n  frequency $" << std::hex << (0x100 + r) << std::dec
          << ", -1.64\n  sample " << r % 256 << "\n  volume 30 -0.32\n  wait " << (r % 300) + 1
          << "\n  endloop\n";
        const int wait = (r % 300) + 1;
        size += 2 + 6 + 2 + 4 + (wait > 255 ? 4 : 2) + 1;
      }
      f << "  end\n}\n";
      size += 1;
      bytes += 5 + size;
    }
    f << "}\n\n";
  }
  return bytes;
}

void WriteSample(const std::string& path, uint32_t size, unsigned seed) {
  std::vector<unsigned char> data(size);
  for (uint32_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    data[i] = static_cast<unsigned char>(seed >> 24);
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

// A bank pointer as the binaries hold it: the offset in its 8 KiB bank
// (13 bits, little-endian), the bank within a group of 32, the group.
void PutPointer(std::vector<unsigned char>& out, size_t at, uint32_t offset) {
  out[at] = offset & 0xFF;
  out[at + 1] = (offset >> 8) & 0x1F;
  out[at + 2] = (offset >> 13) & 0x1F;
  out[at + 3] = offset >> 18;
}

// A MUS header without instruments whose six channels start at 44.
std::vector<unsigned char> MusHeader(size_t size) {
  std::vector<unsigned char> out(size, 0);
  const char head[] = {'M', 'U', 'S', 0, 'N', 'O', 'N', 'E'};
  for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(head[i]);
  for (int c = 0; c < 6; ++c) {
    out[8 + 6 * c] = 'C';
    PutPointer(out, 9 + 6 * c, 44);
  }
  return out;
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

// The largest MUS binary: one music block of `return` events, one byte
// each, to the last offset a bank pointer reaches.
void WriteOneByteEvents(const std::string& path) {
  std::vector<unsigned char> out = MusHeader(67108863);
  for (size_t i = 44; i < out.size(); ++i) out[i] = 0x06;
  WriteFile(path, out);
}

// A 16 MB MUS binary whose calls hide in the operands of `pitch` events
// (08 05 p p p p reads as a call from its second byte), each leading to
// the next, so that every round of block finding opens one more block;
// notes fill the rest.
void WriteChainedCalls(const std::string& path) {
  constexpr size_t kSize = 16000000;
  constexpr size_t kChain = 100;
  std::vector<unsigned char> out = MusHeader(kSize);
  size_t at = 44;
  const size_t chainAt = 44 + 6;  // after the first call
  out[at] = 0x05;
  PutPointer(out, at + 1, static_cast<uint32_t>(chainAt + 1));
  at += 5;
  out[at++] = 0x07;  // break: the pitch events start at an even place
  for (size_t k = 0; k < kChain; ++k) {
    out[at] = 0x08;
    out[at + 1] = 0x05;
    PutPointer(out, at + 2, static_cast<uint32_t>(at + 6 + 1));
    at += 6;
  }
  for (size_t k = 0; at + 6 <= kSize; ++k, at += 6) {
    const unsigned char note[] = {0x09, static_cast<unsigned char>(k % 7), static_cast<unsigned char>(k % 250 + 2), 0,
                                  0x02, static_cast<unsigned char>(k % 200 + 1)};
    for (int i = 0; i < 6; ++i) out[at + i] = note[i];
  }
  while (at < kSize) out[at++] = 0x06;
  WriteFile(path, out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_inputs <directory>\n");
    return 2;
  }
  const std::string root = argv[1];
  MakeDir(root);
  std::ofstream manifest(root + "/manifest.txt");
  for (int n : {25000, 50000, 100000, 200000}) {
    const std::string dir = root + "/mus_" + std::to_string(n);
    MakeDir(dir);
    manifest << "mus_" << n << ' ' << WriteSong(dir, n) << "\n";
  }
  const std::string small = root + "/song_small";
  MakeDir(small);
  manifest << "song_small " << WriteSong(small, 600) << "\n";
  MakeDir(root + "/sfx");
  manifest << "sfx " << WriteEffects(root + "/sfx/effects.txt", 90) << "\n";
  MakeDir(root + "/pcm");
  uint64_t pcm = 4 + 8 * 7;
  for (int i = 0; i < 7; ++i) {
    WriteSample(root + "/pcm/s" + std::to_string(i) + ".raw", 8u << 20, 7u + i);
    pcm += 8u << 20;
  }
  manifest << "pcm " << pcm << "\n";
  MakeDir(root + "/dump");
  WriteOneByteEvents(root + "/dump/one_byte_events.mus");
  WriteChainedCalls(root + "/dump/chained_calls.mus");
  return 0;
}
