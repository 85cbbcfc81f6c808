// Notes and pitches: a note token becomes a frequency, the frequency a PSG
// period.
#include "music/notes.h"

#include <array>
#include <cmath>
#include <iterator>

#include "common/messages.h"
#include "common/numeric.h"
#include "format/layout.h"

namespace psgc {
namespace {

struct NoteName {
  char letter;
  char accidental;  // b flat, s sharp, "." natural
  int semitone;     // counted from C
  int octaveAdjustment;
};

// cb is the B of the octave below and bs the C of the octave above.
constexpr NoteName kNoteTable[] = {
    {'c', 'b', 11, -1}, {'b', 's', 0, 1}, {'c', '.', 0, 0}, {'c', 's', 1, 0},  {'d', 'b', 1, 0},
    {'d', '.', 2, 0},   {'d', 's', 3, 0}, {'e', 'b', 3, 0}, {'e', '.', 4, 0},  {'f', 'b', 4, 0},
    {'e', 's', 5, 0},   {'f', '.', 5, 0}, {'f', 's', 6, 0}, {'g', 'b', 6, 0},  {'g', '.', 7, 0},
    {'g', 's', 8, 0},   {'a', 'b', 8, 0}, {'a', '.', 9, 0}, {'a', 's', 10, 0}, {'b', 'b', 10, 0},
    {'b', '.', 11, 0},
};

constexpr int kSemitonesToA4 = 57;  // from c.0 to a.4, which sounds at 440 Hz
constexpr double kA4 = 440.0;
// The exponent is a multiplication by the double nearest to 1/12, not a
// division by 12: the last bit of some periods depends on it.
constexpr double kOneTwelfth = 1.0 / 12.0;
constexpr double kNoiseDivider = 64.0;

// Every note line looks up its name: one cell per letter and accidental
// holds the row's number + 1 (0: no such note), so that a name is found
// by one load, without a branch on its characters.
struct NoteNameIndex {
  uint8_t cell[256][4] = {};  // letter; accidental's column (3: none)
  uint8_t column[256] = {};
  constexpr NoteNameIndex() {
    for (uint8_t& c : column) c = 3;
    column[static_cast<unsigned char>('.')] = 0;
    column[static_cast<unsigned char>('b')] = 1;
    column[static_cast<unsigned char>('s')] = 2;
    for (size_t r = 0; r < std::size(kNoteTable); ++r) {
      const NoteName& n = kNoteTable[r];
      cell[static_cast<unsigned char>(n.letter)][column[static_cast<unsigned char>(n.accidental)]] =
          static_cast<uint8_t>(r + 1);
    }
  }
};
constexpr NoteNameIndex kNoteNameIndex;

const NoteName* FindNoteName(char letter, char accidental) {
  const uint8_t row =
      kNoteNameIndex.cell[static_cast<unsigned char>(letter)][kNoteNameIndex.column[static_cast<unsigned char>(accidental)]];
  return row == 0 ? nullptr : &kNoteTable[row - 1];
}

// Semitones from a.4 of a note token, or false when it is no note: shorter
// than three characters, a name not in the table, no octave, or an octave
// so large that 12 times it leaves 32 bits.
bool SemitonesFromA4(std::string_view token, int64_t& semitones, size_t& used) {
  if (token.size() < 3) return false;
  const NoteName* note = FindNoteName(token[0], token[1]);
  if (note == nullptr) return false;
  // The octave reads as "%d" does: a.4x is octave 4. Nearly every note
  // is a name and one digit, read here at once.
  DecimalScan octave;
  if (token.size() == 3 && token[2] >= '0' && token[2] <= '9') {
    octave.ok = true;
    octave.end = 1;
    octave.value = token[2] - '0';
  } else {
    octave = ScanDecimal(token.substr(2));
  }
  if (!octave.ok || octave.overflow) return false;
  const int64_t twelveOctaves = 12 * (octave.value + note->octaveAdjustment);
  if (twelveOctaves < INT32_MIN || twelveOctaves > INT32_MAX) return false;
  semitones = note->semitone + twelveOctaves - kSemitonesToA4;
  used = 2 + octave.end;
  return true;
}

double FrequencyOf(int64_t semitonesFromA4) {
  return kA4 * std::pow(2.0, static_cast<double>(semitonesFromA4) * kOneTwelfth);
}

// pow is the costliest step of a note line and songs use few notes, so the
// 256 notes around a.4 are computed once, with the same formula.
double Frequency(int64_t semitonesFromA4) {
  constexpr int64_t kCachedBelow = 128;
  static const std::array<double, 2 * kCachedBelow> kCached = [] {
    std::array<double, 2 * kCachedBelow> table{};
    for (int64_t i = 0; i < 2 * kCachedBelow; ++i) table[i] = FrequencyOf(i - kCachedBelow);
    return table;
  }();
  const int64_t i = semitonesFromA4 + kCachedBelow;
  return i >= 0 && i < 2 * kCachedBelow ? kCached[i] : FrequencyOf(semitonesFromA4);
}

}  // namespace

bool NoteFrequency(std::string_view token, double& frequency, size_t* used) {
  int64_t semitones = 0;
  size_t read = 0;
  if (!SemitonesFromA4(token, semitones, read)) return false;
  frequency = Frequency(semitones);
  if (used != nullptr) *used = read;
  return true;
}

bool ParseNote(Diagnostics& diag, std::string_view token, double& frequency, size_t* used) {
  if (NoteFrequency(token, frequency, used)) return true;
  diag.ErrorWith(msg::kUnableToParseNote, token);
  return false;
}

std::string SuggestNote(std::string_view token) {
  int64_t semitones = 0;
  size_t read = 0;
  if (SemitonesFromA4(token, semitones, read)) return std::string();
  std::string note;
  for (char c : token) note += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (note.size() >= 2 && ((note[1] >= '0' && note[1] <= '9') || note[1] == '-')) note.insert(1, ".");
  if (note.size() >= 2 && note[1] == '#') note[1] = 's';
  if (note != token && SemitonesFromA4(note, semitones, read)) return note;
  // A name one character away from a real one, before a good octave: the
  // first such name of the table ("h.4" gives "c.4").
  if (note.size() >= 3 && ScanDecimal(std::string_view(note).substr(2)).ok) {
    for (const NoteName& name : kNoteTable) {
      const char real[] = {name.letter, name.accidental};
      if ((real[0] == note[0]) + (real[1] == note[1]) == 1) {
        std::string near = std::string(real, 2) + note.substr(2);
        if (SemitonesFromA4(near, semitones, read)) return near;
      }
    }
  }
  return std::string();
}

uint16_t NotePeriod(double frequency, double tuning, bool noise, bool* clamped) {
  // An instrument without a `tuning` carries a negative one: it plays at
  // standard pitch rather than at period 0, which is silence.
  const double t = tuning < 0.0 ? kStandardTuning : tuning;
  const double p = noise ? format::kPsgClock / ((t * frequency) * kNoiseDivider) : format::kPsgClock / (t * frequency);
  const double highest = noise ? double{kMaxNoisePeriod} : double{kMaxTonePeriod};
  if (clamped != nullptr) *clamped = !(p >= 1.0) || p > highest;
  if (!(p >= 0.0)) return 0;  // negative, or not a number
  if (p > highest) return static_cast<uint16_t>(highest);
  return static_cast<uint16_t>(p);  // toward zero
}

}  // namespace psgc
