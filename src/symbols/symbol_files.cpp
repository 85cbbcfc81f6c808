// Symbol files: naming, refusing clashes, writing.
#include "symbols/symbol_files.h"

#include <climits>
#include <cstdlib>

#include "common/messages.h"
#include "common/output_file.h"
#include "common/script_lines.h"

namespace psgc {
namespace {

// Where a file would be created: its directory resolved (".", "..",
// links), then its own name. Files that do not exist yet are compared so.
std::string Place(const std::string& name) {
  const size_t slash = name.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : name.substr(0, slash == 0 ? 1 : slash);
  char resolved[PATH_MAX];
  if (::realpath(dir.c_str(), resolved) == nullptr) return name;
  return std::string(resolved) + "/" + name.substr(slash == std::string::npos ? 0 : slash + 1);
}

bool OneFile(const std::string& a, const std::string& b) {
  return a == b || SameFile(a, b) || Place(a) == Place(b);
}

bool IsEquatesFile(const SymbolFile& file, bool effects) {
  return effects && file.format == SymbolFormat::Wla;
}

bool WriteSymbolFile(const SymbolFile& file, const SymbolList& list, const std::string& outputName,
                     bool effects, Diagnostics& diag) {
  const bool equates = IsEquatesFile(file, effects);
  // The output itself, reached under the file's name through a link or a
  // file system that ignores case, is never overwritten.
  if (file.name == outputName || SameFile(file.name, outputName)) {
    if (equates) {
      diag.Error(msg::kUnableToGenerateEquates);
    } else {
      diag.ErrorWith(msg::kSymbolFileIsOutput, file.name);
    }
    return false;
  }
  const std::string text = SymbolFileText(file.format, list, outputName, file.name);
  OutputFile out;
  if (!out.Open(file.name) ||
      !out.WriteAndCommit(reinterpret_cast<const uint8_t*>(text.data()), text.size())) {
    diag.ErrorWith(equates ? msg::kCantWriteEquates : msg::kCantWriteSymbols, file.name);
    return false;
  }
  diag.PrintWith(equates ? msg::kSavingEquates : msg::kSavingSymbols, file.name);
  return true;
}

}  // namespace

bool DefaultSymbolFile(SymbolFormat format, const std::string& outputName, SymbolFile& file) {
  file.format = format;
  return ReplaceExtension(outputName, file.name, SymbolFileExtension(format), kPathSeparators);
}

bool PlanSymbolFiles(const std::vector<SymbolRequest>& requests, const std::string& outputName,
                     Diagnostics& diag, std::vector<SymbolFile>& files) {
  files.clear();
  for (const SymbolRequest& request : requests) {
    SymbolFile file{request.format, request.file};
    if (file.name.empty() && !DefaultSymbolFile(request.format, outputName, file)) {
      diag.Error(msg::kUnableToGenerateEquates);
      return false;
    }
    if (OneFile(file.name, outputName)) {
      diag.ErrorWith(msg::kSymbolFileIsOutput, file.name);
      return false;
    }
    for (const SymbolFile& earlier : files) {
      if (OneFile(earlier.name, file.name)) {
        diag.ErrorWith(msg::kSymbolFilesShareName, file.name);
        return false;
      }
    }
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
