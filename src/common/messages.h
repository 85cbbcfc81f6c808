// Every text that psgc prints, in one place. These texts are a contract with
// users' build logs and scripts: never reword them.
#pragma once

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
    "\n";
inline constexpr char kDumpAfterArguments[] = "ERROR- Files to list come after --dump : ";
inline constexpr char kMissingOptionValue[] = "ERROR- Missing value for option : ";
inline constexpr char kUnknownSymbolFormat[] = "ERROR- Unknown symbol format : ";
inline constexpr char kEmptySymbolFileName[] = "ERROR- Empty symbol file name : ";
inline constexpr char kNoSymbolsInMode[] = "ERROR- Symbol files are not written in mode : ";
inline constexpr char kUnknownWarning[] = "ERROR- Unknown warning : ";
inline constexpr char kWarningsAreErrors[] = "ERROR- Warnings are treated as errors (-Werror)\n";
inline constexpr char kOutputIsSource[] = "ERROR- Output file is also a source : ";
inline constexpr char kInvalidMode[] = "ERROR- Invalid operating mode : ";
inline constexpr char kCantWriteDestination[] = "ERROR- Can't write to destination file : ";
inline constexpr char kCantOpenSource[] = "ERROR- Can't open source file : ";
// What standard output did not take: "ERROR- Couldn't write to standard output (Broken pipe)".
inline constexpr char kCantWriteListing[] = "ERROR- Couldn't write to standard output";
// Refusals of psgc's own, in parentheses after the name they concern.
inline constexpr char kLinkInSharedDirectory[] =
    "a symbolic link in a sticky world-writable directory, owned by another user";
inline constexpr char kControlInName[] = "a control character in the name";
inline constexpr char kTooManySources[] = "ERROR- Too many source files\n";
inline constexpr char kMusNeedsScripts[] =
    "ERROR- Music compilation requires both an instrument\n"
    "       script and one to six music scripts\n";
inline constexpr char kOutputTooLarge[] = "ERROR- Output too large (max is 67108863 bytes)\n";
inline constexpr char kWarnSfxExtra[] = "WARNING- Script ignored, -sfx compiles only its first : ";
inline constexpr char kSavingSfx[] = "Saving SFX binary to : ";
inline constexpr char kSavingMusic[] = "Saving music binary to : ";
inline constexpr char kSavingTrack[] = "Saving track package to : ";
inline constexpr char kSavingPcm[] = "Saving PCM binary to : ";

// Shared helpers
inline constexpr char kOutOfMemory[] = "ERROR- Out of memory\n";     // first allocations
inline constexpr char kOutOfMemoryGrow[] = "ERROR- Out of Memory.\n";  // growing arrays
inline constexpr char kUnexpectedEndOfData[] = "ERROR- Unexpected end of source data.\n";
inline constexpr char kInvalidBinary[] = "ERROR- Invalid binary value : ";
inline constexpr char kUnableToParseNumeric[] = "ERROR- Unable to parse numeric : ";
inline constexpr char kGarbageAtEnd[] = "ERROR- Garbage at end of line in : ";
inline constexpr char kInvalidSyntax[] = "ERROR- Invalid command syntax in : ";
inline constexpr char kValueOutOfRange[] = "ERROR- Value out of range\n";
inline constexpr char kWarnIgnoredCharacters[] = "WARNING- Trailing characters ignored : ";
inline constexpr char kWarnShortFraction[] = "WARNING- Fraction counts 256ths : ";

// Instrument and sound-effect scripts
inline constexpr char kSfxMode[] = "SFX Mode...\n";
inline constexpr char kInvalidSfxLabel[] = "ERROR- Invalid instrument/sfx label in : ";
inline constexpr char kPriorityOutOfRange[] = "ERROR- Priority out of range in : ";
inline constexpr char kPriorityOnInstrument[] = "ERROR- Priority assigned to instrument in : ";
inline constexpr char kSfxAlreadyDefined[] = "ERROR- Instrument/sfx already defined with label : ";
inline constexpr char kTooManySfx[] = "ERROR- Too many instruments/sfx (max is 255) in : ";
inline constexpr char kInstrumentMultiChannel[] = "ERROR- Instrument uses more than one channel in : ";
inline constexpr char kTooManyChannels[] = "ERROR- Sound effect has too many channels in : ";
inline constexpr char kTooManyNoiseChannels[] = "ERROR- Sound effect has more than two noise channels : ";
inline constexpr char kInvalidCommand[] = "ERROR- Invalid command : ";
inline constexpr char kFlowOutsideBody[] = "ERROR- Flow command outside of script header : ";
inline constexpr char kUnexpectedEndOfSfx[] = "ERROR- Unexpected end of instrument/sfx in : ";
inline constexpr char kWaveformShort[] = "ERROR- Waveform has less than 32 samples, saw ";
inline constexpr char kTuningOnSfx[] = "ERROR- Tuning assigned for sound effect : ";
inline constexpr char kNoteOffOnSfx[] = "ERROR- Note off assigned for sound effect : ";
inline constexpr char kWarnEndloopAlone[] = "WARNING- endloop without an open loop";
inline constexpr char kWarnBodyLoopOpen[] = "WARNING- Channel body ends with a loop open";
inline constexpr char kWarnBodyNoEnd[] = "WARNING- Channel body does not finish with end";
inline constexpr char kWarnUnsafeCharacter[] = "WARNING- Character ";  // then the character
inline constexpr char kWarnUnsafeCharacterTail[] = " unsafe in an assembler symbol : ";
inline constexpr char kWarnPriorityCarried[] = "WARNING- Label line without a priority : ";
inline constexpr char kSfxCountPrefix[] = "A total of ";
inline constexpr char kSfxCountSuffix[] = " SFX were found\n";
inline constexpr char kSfxSize[] = "The current SFX binary is : ";
inline constexpr char kInstrumentCountSuffix[] = " instruments were found\n";
inline constexpr char kInstrumentTableSize[] = "The current instrument table is : ";
inline constexpr char kInstrumentTableEmpty[] = "The current instrument table is empty\n";
inline constexpr char kUnableToGenerateEquates[] = "ERROR- Unable to generate equate(s) file\n";
inline constexpr char kCantWriteEquates[] = "ERROR- Couldn't write to equate(s) file : ";
inline constexpr char kSavingEquates[] = "Saving SFX equates to : ";

// Symbol files
inline constexpr char kSymbolFilesShareName[] = "ERROR- Two symbol files would share the name : ";
inline constexpr char kSymbolFileIsOutput[] = "ERROR- Symbol file would replace the output : ";
inline constexpr char kLabelNotSymbol[] = "ERROR- Label is not a valid symbol : ";
inline constexpr char kSymbolTooLong[] = "ERROR- Symbol too long for ";  // format, " : ", symbol
inline constexpr char kSourcesShareSymbol[] = "ERROR- Two sources give the symbol : ";
inline constexpr char kCantWriteSymbols[] = "ERROR- Couldn't write to symbol file : ";
inline constexpr char kSavingSymbols[] = "Saving symbols to : ";

// Music scripts
inline constexpr char kMusMode[] = "MUS Mode...\n";
inline constexpr char kInvalidBlockLabel[] = "ERROR- Invalid music block label in : ";
inline constexpr char kBlockPriorityOutOfRange[] = "ERROR- Music block priority out of range in : ";
inline constexpr char kSecondMainBlock[] = "ERROR- Second main block declaration in : ";
inline constexpr char kBlockAlreadyDefined[] = "ERROR- Block already defined with label : ";
inline constexpr char kExpectingBrace[] = "ERROR- Expecting '{' at block start : ";
inline constexpr char kUnexpectedEndOfBlock[] = "ERROR- Unexpected end of music block in : ";
inline constexpr char kInstrumentNotSet[] = "ERROR- Instrument has not been set\n";
inline constexpr char kInstrumentNotFound[] = "ERROR- Instrument not found : ";
inline constexpr char kNoiseInstrumentPrefix[] = "ERROR- Instrument ";
inline constexpr char kNoiseInstrumentMiddle[] = " not compatible with channel ";
inline constexpr char kNoiseChannelsOnly[] =
    "ERROR- Instruments using noise can only be on channels 5 or 6\n";
inline constexpr char kUnableToParseNote[] = "Unable to parse note : ";
inline constexpr char kWarnNoteTrailing[] = "WARNING- Trailing characters ignored in note : ";
inline constexpr char kUnresolvedReference[] = "ERROR- Unable to resolve reference to block : ";
inline constexpr char kWarnBlockLoopOpen[] = "WARNING- Block ends with a loop open : ";
inline constexpr char kWarnMainBlockNoEnd[] = "WARNING- Main block does not finish with end : ";
inline constexpr char kWarnCalledBlockNoReturn[] =
    "WARNING- Called block does not finish with return or end : ";
inline constexpr char kWarnNoMainBlock[] = "WARNING- Channel script without a main block : ";
inline constexpr char kWarnBlockNeverCalled[] = "WARNING- Block never called : ";
inline constexpr char kWarnInstrumentNeverUsed[] = "WARNING- Instrument never used : ";
inline constexpr char kWarnNoteOutOfRange[] = "WARNING- Note out of the channel's range : ";
inline constexpr char kWarnSfxPeriodOutOfRange[] = "WARNING- sfx period above the channel's range : ";
inline constexpr char kMusSize[] = "The current MUS binary is : ";

// Packs
inline constexpr char kPcmMode[] = "PCM Mode...\n";
inline constexpr char kTooManyPcmStreams[] = "ERROR- Too many PCM Streams (max is ";
inline constexpr char kPcmStreamTooLarge[] = "ERROR- PCM Stream too large (max is ";
inline constexpr char kUnexpectedEndOfInclude[] = "ERROR- Unexpected end of include file\n";
inline constexpr char kCouldntWriteOutput[] = "ERROR- Couldn't write to output file\n";
inline constexpr char kWarnPakInput[] = "WARNING- Pack source has no MUS mark : ";
inline constexpr char kWarnPcmSilent[] = "WARNING- PCM source is silent (every sample within $78..$87) : ";
inline constexpr char kWarnPcmSigned[] =
    "WARNING- PCM source looks signed (most samples near $00 and $FF) : ";
inline constexpr char kPakSize[] = "The current PAK binary is : ";
inline constexpr char kPcmSize[] = "The current PCM binary is : ";

// --dump: every message names the file and the byte offset where decoding
// stopped ("... in : file at offset 0x001C").
inline constexpr char kDumpUnknownMark[] = "ERROR- Not an SFX, MUS, TRK or PCM binary in : ";
inline constexpr char kDumpTooLarge[] = "ERROR- File too large for bank pointers in : ";
inline constexpr char kDumpTruncatedHeader[] = "ERROR- Truncated header in : ";
inline constexpr char kDumpCountTooLarge[] = "ERROR- Count does not fit the file in : ";
inline constexpr char kDumpChannelCount[] = "ERROR- Invalid channel count in : ";
inline constexpr char kDumpEntryMark[] = "ERROR- Missing entry mark in : ";
inline constexpr char kDumpInvalidPointer[] = "ERROR- Invalid pointer in : ";
inline constexpr char kDumpPointerPastEnd[] = "ERROR- Pointer past the end of the file in : ";
inline constexpr char kDumpPointerOutside[] = "ERROR- Pointer outside its part of the file in : ";
inline constexpr char kDumpStreamPastEnd[] = "ERROR- Stream runs past the end of the file in : ";
inline constexpr char kDumpOverlap[] = "ERROR- Overlapping data in : ";

// Audio sources of -pcm
inline constexpr char kCantDecodeAudio[] = "ERROR- Can't decode audio file : ";  // + " (reason)"
inline constexpr char kSampleRateOutOfRange[] = "Sample rate out of range.";
inline constexpr char kAudioReadError[] = "Read error.";
// "WARNING- PCM source holds a WAV file, packed as raw bytes (name it .wav
// to decode it) : hat.raw [-Wpcm-container]"
inline constexpr char kWarnPcmContainer[] = "WARNING- PCM source holds ";
inline constexpr char kWarnPcmContainerRaw[] = ", packed as raw bytes (name it ";
inline constexpr char kWarnPcmContainerTail[] = " to decode it) : ";
// "WARNING- Audio source clipped 2 of 4 samples (peak 2.00, +6.0 dBFS): use
// --normalize or export it quieter : loud.wav [-Wpcm-clip]"
inline constexpr char kWarnPcmClip[] =
    "WARNING- Audio source clipped %llu of %llu samples (peak %.2f, %+.1f dBFS): "
    "use --normalize or export it quieter : ";
// An audio source whose stream at 6992 Hz would pass the stream limit.
inline constexpr char kAudioTooLong[] = "ERROR- Audio file too long for a PCM stream : ";  // + " (detail)"
inline constexpr char kAudioTooLongDetail[] = "%llu samples at %d Hz, max is %llu";
inline constexpr char kConverted[] = "Converted ";
inline constexpr char kConvertedFormat[] = " : %d Hz, %d %s, ";  // rate, channels, kChannel(s)
inline constexpr char kChannel[] = "channel";
inline constexpr char kChannels[] = "channels";
inline constexpr char kConvertedLength[] = ", %.2f s -> %llu samples";
inline constexpr char kConvertedClipped[] = ", %llu clipped";

}  // namespace psgc::msg
