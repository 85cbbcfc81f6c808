// Symbol formats and the names they accept, as measured with each tool.
#include "symbols/symbol_formats.h"

#include "common/messages.h"

namespace psgc {
namespace {

struct FormatRow {
  SymbolFormat format;
  const char* name;
  const char* extension;
  bool plainOnly;    // the dialect misreads other characters in a name
  size_t maxLength;  // 0: none that a label can reach
};

// PCEAS refuses names over 126 characters; a conforming C compiler only
// tells names apart by their first 63 (cc65 by 64, without a word). ca65
// reads names of any length. WLA-DX labels stay as the scripts give them.
constexpr FormatRow kFormats[] = {
    {SymbolFormat::Wla, "wla", ".equ", false, 0},
    {SymbolFormat::Pceas, "pceas", ".inc", true, 126},
    {SymbolFormat::Ca65, "ca65", ".inc", true, 0},
    {SymbolFormat::C, "c", ".h", true, 63},
};

const FormatRow& Row(SymbolFormat format) {
  for (const FormatRow& row : kFormats) {
    if (row.format == format) return row;
  }
  return kFormats[0];
}

bool IsPlainCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string TooLongText(SymbolFormat format) {
  std::string text = msg::kSymbolTooLong;
  text += Row(format).name;
  text += " : ";
  return text;
}

}  // namespace

bool FindSymbolFormat(std::string_view name, SymbolFormat& format) {
  for (const FormatRow& row : kFormats) {
    if (name == row.name) {
      format = row.format;
      return true;
    }
  }
  return false;
}

const char* SymbolFileExtension(SymbolFormat format) { return Row(format).extension; }

SymbolRules RulesFor(const std::vector<SymbolRequest>& requests) {
  SymbolRules rules;
  for (const SymbolRequest& request : requests) {
    const FormatRow& row = Row(request.format);
    rules.plainOnly = rules.plainOnly || row.plainOnly;
    if (row.maxLength != 0 && (rules.maxLength == 0 || row.maxLength < rules.maxLength)) {
      rules.maxLength = row.maxLength;
      rules.limitFormat = row.format;
    }
  }
  return rules;
}

size_t FindNonPlainCharacter(std::string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (!IsPlainCharacter(name[i])) return i;
  }
  return std::string_view::npos;
}

bool IsPlainSymbol(std::string_view name) {
  for (char c : name) {
    if (!IsPlainCharacter(c)) return false;
  }
  return !name.empty();
}

bool CheckLabelSymbol(const SymbolRules& rules, Diagnostics& diag, std::string_view label,
                      const ScriptPos& at) {
  if (rules.plainOnly && !IsPlainSymbol(label)) {
    diag.ErrorTokenAt(msg::kLabelNotSymbol, label, at);
    return false;
  }
  // SFX_ and PRI_ are of one length.
  const std::string symbol = "SFX_" + std::string(label);
  if (rules.maxLength != 0 && symbol.size() > rules.maxLength) {
    diag.ErrorTokenAt(TooLongText(rules.limitFormat), symbol, at);
    return false;
  }
  return true;
}

bool CheckSymbolLength(const SymbolRules& rules, Diagnostics& diag, const std::string& symbol) {
  if (rules.maxLength != 0 && symbol.size() > rules.maxLength) {
    diag.ErrorWith(TooLongText(rules.limitFormat), symbol);
    return false;
  }
  return true;
}

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string SymbolFromPath(std::string_view prefix, std::string_view path) {
  std::string_view name = FileNameOf(path);
  // A leading "." names a hidden file; it starts no extension.
  const size_t dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  std::string symbol(prefix);
  for (char c : name) symbol += IsPlainCharacter(c) ? c : '_';
  return symbol;
}

}  // namespace psgc
