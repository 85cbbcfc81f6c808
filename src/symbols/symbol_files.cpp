// Symbol files: naming, refusing clashes, writing.
#include "symbols/symbol_files.h"

#include <algorithm>
#include <cstdio>

#include "common/messages.h"
#include "common/output_file.h"
#include "common/script_lines.h"

namespace psgc {
namespace {

bool IsEquatesFile(const SymbolFile& file, bool effects) {
  return effects && file.format == SymbolFormat::Wla;
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// A name as an error line can show it: control characters as C escapes.
std::string Visible(const std::string& name) {
  std::string shown;
  for (char c : name) {
    if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (IsControl(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
      shown += escape;
    } else {
      shown += c;
    }
  }
  return shown;
}

bool WriteSymbolFile(const SymbolFile& file, const SymbolList& list, const std::string& outputName,
                     bool effects, Diagnostics& diag) {
  const bool equates = IsEquatesFile(file, effects);
  if (file.name.empty()) {  // no name could be made after the output
    diag.Error(msg::kUnableToGenerateEquates);
    return false;
  }
  // The output itself, reached under the file's name through a link or a
  // file system that ignores case, is never overwritten.
  if (file.name == outputName || SameFile(file.name, outputName)) {
    if (equates) {
      diag.Error(msg::kUnableToGenerateEquates, Detail().Value(outputName));
    } else {
      diag.ErrorWith(msg::kSymbolFileIsOutput, file.name);
    }
    return false;
  }
  const std::string text = SymbolFileText(file.format, list, outputName, file.name);
  OutputFile out;
  if (!out.Open(file.name) ||
      !out.WriteAndCommit(reinterpret_cast<const uint8_t*>(text.data()), text.size())) {
    diag.ErrorForFile(equates ? msg::kCantWriteEquates : msg::kCantWriteSymbols, file.name, out.fault());
    return false;
  }
  diag.PrintWith(equates ? msg::kSavingEquates : msg::kSavingSymbols, file.name);
  return true;
}

}  // namespace

bool DefaultSymbolFile(SymbolFormat format, const std::string& outputName, SymbolFile& file) {
  file.format = format;
  file.name.clear();
  // A device, a pipe or a descriptor (/dev/stdout) stands in no directory
  // of the project: no file is named after it.
  if (!IsFileOutput(outputName)) return false;
  return ReplaceExtension(outputName, file.name, SymbolFileExtension(format), kPathSeparators);
}

bool PlanEquatesFile(const std::string& outputName, Diagnostics& diag, std::vector<SymbolFile>& files) {
  SymbolFile equates;
  DefaultSymbolFile(SymbolFormat::Wla, outputName, equates);
  files.assign(1, equates);
  return RefuseUnnameableOutput(outputName, diag);
}

bool RefuseUnnameableOutput(const std::string& outputName, Diagnostics& diag) {
  if (std::none_of(outputName.begin(), outputName.end(), IsControl)) return true;
  diag.ErrorWithReason(msg::kCantWriteDestination, Visible(outputName), msg::kControlInName);
  return false;
}

bool PlanSymbolFiles(const std::vector<SymbolRequest>& requests, const std::string& outputName, bool effects,
                     Diagnostics& diag, std::vector<SymbolFile>& files) {
  files.clear();
  for (const SymbolRequest& request : requests) {
    SymbolFile file{request.format, request.file};
    if (file.name.empty() && !DefaultSymbolFile(request.format, outputName, file)) {
      diag.Error(msg::kUnableToGenerateEquates, Detail().Value(outputName));
      return false;
    }
    if (OneOutput(file.name, outputName)) {
      diag.ErrorWith(msg::kSymbolFileIsOutput, file.name);
      return false;
    }
    for (const SymbolFile& earlier : files) {
      if (OneOutput(earlier.name, file.name)) {
        diag.ErrorWith(msg::kSymbolFilesShareName, file.name);
        return false;
      }
    }
    if (IsEquatesFile(file, effects) && !RefuseUnnameableOutput(outputName, diag)) return false;
    files.push_back(file);
  }
  return true;
}

bool WriteSymbolFiles(const std::vector<SymbolFile>& files, const SymbolList& list,
                      const std::string& outputName, bool effects, Diagnostics& diag) {
  bool ok = true;
  for (const SymbolFile& file : files) {
    ok = WriteSymbolFile(file, list, outputName, effects, diag) && ok;
  }
  return ok;
}

}  // namespace psgc
