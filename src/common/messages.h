// Every text that psgc prints, in one place: the progress lines and help
// here, the errors, warnings and notes in messages.def. The classic texts
// are a contract with users' build logs and scripts: never reword them.
#pragma once

#include <iterator>

#include "common/diagnostics.h"

namespace psgc::msg {

// Driver
// The usage text that too few arguments print on standard error is the
// classic one, exactly: kUsageLine, kUsageModes, kUsageRawPcm. --help
// prints its own first lines and PCM paragraph around the same modes.
inline constexpr char kUsageLine[] = "Usage: psgc [-sfx/-mus/-pak/-pcm] outfile [source data]\n\n";
inline constexpr char kUsageModes[] =
    "SFX:   psgc -sfx output.sfx scripts.txt\n"
    "       An equates file with the names and numbers of your sound\n"
    "       effects will be created in the same directory as your output\n"
    "       file and may be included in a WLA-DX project.\n"
    "\n"
    "MUSIC: psgc -mus output.mus instruments.txt channel_0.txt\n"
    "              [channel_1.txt] [...]\n"
    "       Note that the argument numbers do correspond to the\n"
    "       respective channels on the PC-Engine.\n"
    "\n"
    "PACK:  psgc -pak output.trk song_0.mus [song_1.mus] [...]\n"
    "       A maximum of 255 songs may be included in one track pack.\n"
    "\n";
inline constexpr char kUsageRawPcm[] =
    "PCM:   psgc -pcm output.pcm sample_0.raw [sample_1.raw] [...]\n"
    "       Each included file must be an 8-Bit unsigned PCM stream.\n"
    "\n";
inline constexpr char kHelpUsageLine[] =
    "Usage: psgc [OPTION...] -sfx|-mus|-pak|-pcm OUTPUT SOURCE...\n"
    "       psgc --dump FILE...\n"
    "\n";
inline constexpr char kHelpPcmAndDump[] =
    "PCM:   psgc -pcm output.pcm kick.wav [snare.flac] [hat.raw] [...]\n"
    "       Up to 255 samples. A source named *.wav, *.wave, *.aif, *.aiff,\n"
    "       *.aifc, *.flac, *.ogg, *.oga, *.opus, *.mp3 or *.caf (any letter\n"
    "       case) is an audio file: decoded, mixed to mono, resampled to\n"
    "       6992 Hz and rounded to the pack's 32 levels. Any other source is\n"
    "       a raw stream of 8-bit unsigned samples at 6992 Hz.\n"
    "\n"
    "DUMP:  psgc --dump songs.trk [sounds.sfx] [...]\n"
    "       Lists what psgc binaries hold, in the scripts' words; writes\n"
    "       nothing.\n"
    "\n";
// Printed after the usage text by -h and --help. One line per option.
inline constexpr char kOptionsHelp[] =
    "Options of psgc's own, anywhere on the command line; every argument\n"
    "after -- is a file name (a file named -q is written -- -q):\n"
    "  -h, --help     print this text and exit\n"
    "  --version      print the version and exit\n"
    "  -q, --quiet    print no progress lines; errors are still printed\n"
    "  -Wall          turn on every warning but fraction and priority\n"
    "  -W<name>       turn on one warning: loop, end, symbol, sfx-extra, return,\n"
    "                 main, unused-block, unused-instrument (unused: both), range,\n"
    "                 number, note, pak-input, pcm-level, pcm-clip\n"
    "                 (pcm-container is on unless -Wno-pcm-container: a raw\n"
    "                 -pcm source that holds a WAV, MP3, ... file); not in -Wall:\n"
    "                 fraction (volume 31 0.5 is 5/256, not a half) and priority\n"
    "                 (a sound effect repeats the priority before it)\n"
    "  -Wno-<name>    turn off one warning (after -Wall)\n"
    "  -Werror        fail on any warning that is on: exit 1 and no output\n"
    "  --symbols FORMAT[=FILE]  write a symbol file: FORMAT wla, pceas, ca65 or c\n"
    "  --dump FILE... list psgc binaries and exit; it comes last: every later\n"
    "                 argument is a file\n"
    "  --normalize    -pcm: scale each audio file so its peak reaches full scale\n"
    "  --dither       -pcm: add triangular dither to audio files before rounding\n"
    "  --diagnostics=gcc  print errors, warnings and notes as GCC does, for\n"
    "                 editors: FILE:LINE:COL: error: TEXT, the line and a caret\n"
    "                 (also PSGC_DIAGNOSTICS=gcc; the default is =classic)\n"
    "  --color=WHEN   colour in errors and warnings: auto (GCC style on a\n"
    "                 terminal, unless TERM=dumb or NO_COLOR), always or never\n"
    "\n";
// Refusals of psgc's own, in parentheses after the name they concern.
inline constexpr char kLinkInSharedDirectory[] =
    "a symbolic link in a sticky world-writable directory, owned by another user";
inline constexpr char kControlInName[] = "a control character in the name";
inline constexpr char kSavingSfx[] = "Saving SFX binary to : ";
inline constexpr char kSavingMusic[] = "Saving music binary to : ";
inline constexpr char kSavingTrack[] = "Saving track package to : ";
inline constexpr char kSavingPcm[] = "Saving PCM binary to : ";

// Instrument and sound-effect scripts
inline constexpr char kSfxMode[] = "SFX Mode...\n";
inline constexpr char kWarnUnsafeCharacterTail[] = " unsafe in an assembler symbol : ";
inline constexpr char kSfxCountPrefix[] = "A total of ";
inline constexpr char kSfxCountSuffix[] = " SFX were found\n";
inline constexpr char kSfxSize[] = "The current SFX binary is : ";
inline constexpr char kInstrumentCountSuffix[] = " instruments were found\n";
inline constexpr char kInstrumentTableSize[] = "The current instrument table is : ";
inline constexpr char kInstrumentTableEmpty[] = "The current instrument table is empty\n";
inline constexpr char kSavingEquates[] = "Saving SFX equates to : ";
inline constexpr char kSavingSymbols[] = "Saving symbols to : ";

// Music scripts
inline constexpr char kMusMode[] = "MUS Mode...\n";
inline constexpr char kNoiseInstrumentMiddle[] = " not compatible with channel ";
inline constexpr char kNoiseChannelsOnly[] =
    "ERROR- Instruments using noise can only be on channels 5 or 6\n";
inline constexpr char kMusSize[] = "The current MUS binary is : ";

// Packs
inline constexpr char kPcmMode[] = "PCM Mode...\n";
inline constexpr char kPakSize[] = "The current PAK binary is : ";
inline constexpr char kPcmSize[] = "The current PCM binary is : ";

// Audio sources of -pcm
inline constexpr char kSampleRateOutOfRange[] = "Sample rate out of range.";
inline constexpr char kAudioReadError[] = "Read error.";
// The rest of kWarnPcmContainer: "WARNING- PCM source holds a WAV file,
// packed as raw bytes (name it .wav to decode it) : hat.raw [-Wpcm-container]"
inline constexpr char kWarnPcmContainerRaw[] = ", packed as raw bytes (name it ";
inline constexpr char kWarnPcmContainerTail[] = " to decode it) : ";
// The rest of kWarnPcmClip: "WARNING- Audio source clipped 2 of 4 samples
// (peak 2.00, +6.0 dBFS): use --normalize or export it quieter : loud.wav
// [-Wpcm-clip]"
inline constexpr char kWarnPcmClipDetail[] =
    "%llu of %llu samples (peak %.2f, %+.1f dBFS): use --normalize or export it quieter : ";
// The detail of kAudioTooLong.
inline constexpr char kAudioTooLongDetail[] = "%llu samples at %d Hz, max is %llu";
inline constexpr char kConverted[] = "Converted ";
inline constexpr char kConvertedFormat[] = " : %d Hz, %d %s, ";  // rate, channels, kChannel(s)
inline constexpr char kChannel[] = "channel";
inline constexpr char kChannels[] = "channels";
inline constexpr char kConvertedLength[] = ", %.2f s -> %llu samples";
inline constexpr char kConvertedClipped[] = ", %llu clipped";

#define MESSAGE(name, classic, sentence) inline constexpr Message name{#name, classic, sentence};
#include "common/messages.def"
#undef MESSAGE

// Every message of messages.def, for the tests that render each one.
inline constexpr const Message* kAllMessages[] = {
#define MESSAGE(name, classic, sentence) &name,
#include "common/messages.def"
#undef MESSAGE
};
inline constexpr size_t kMessageCount = std::size(kAllMessages);

}  // namespace psgc::msg
