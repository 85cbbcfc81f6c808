// Symbol files of a run: their names, the refusals that come before any
// source is read, and writing each atomically once the binary is in place.
#pragma once

#include <string>
#include <vector>

#include "common/diagnostics.h"
#include "symbols/symbol_formats.h"
#include "symbols/symbol_text.h"

namespace psgc {

struct SymbolFile {
  SymbolFormat format;
  std::string name;
};

// The file of `format` named after the output: its extension replaced by
// the format's (sounds.sfx gives sounds.equ). False when no name can be
// made, also for an output that is a device, a pipe or /dev/stdout.
bool DefaultSymbolFile(SymbolFormat format, const std::string& outputName, SymbolFile& file);

// The equates file of a plain -sfx run. Its first line names the output as
// given, so a name with a control character (which would end that line
// and start an assembler line) is refused before anything is written:
// false after reporting. When no name can be made the file is planned
// nameless, and reported when it would be written, after the binary.
bool PlanEquatesFile(const std::string& outputName, Diagnostics& diag, std::vector<SymbolFile>& files);
// The refusal above alone: false after reporting.
bool RefuseUnnameableOutput(const std::string& outputName, Diagnostics& diag);

// Names every requested file and refuses two that would be one file, or
// one that would replace the output, also through links. With `effects`
// (-sfx), a WLA-DX file is the equates file, refused as above. False
// after reporting.
bool PlanSymbolFiles(const std::vector<SymbolRequest>& requests, const std::string& outputName, bool effects,
                     Diagnostics& diag, std::vector<SymbolFile>& files);

// Writes the files in order, each replaced only when complete. With
// `effects` (the -sfx run), the WLA-DX file is the equates file, with its
// own lines. False when any failed (each reported).
bool WriteSymbolFiles(const std::vector<SymbolFile>& files, const SymbolList& list,
                      const std::string& outputName, bool effects, Diagnostics& diag);

}  // namespace psgc
