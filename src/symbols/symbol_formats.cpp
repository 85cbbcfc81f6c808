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

// The classic form names the format between its text and the symbol.
std::string FormatAndSymbol(SymbolFormat format, std::string_view symbol) {
  std::string text = Row(format).name;
  text += " : ";
  text += symbol;
  return text;
}

Detail TooLong(const SymbolRules& rules, std::string_view symbol) {
  return Detail().Value(symbol).Value(Row(rules.limitFormat).name).Value(static_cast<int64_t>(rules.maxLength));
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
  return !name.empty() && FindNonPlainCharacter(name) == std::string_view::npos;
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
    diag.ErrorTokenAt(msg::kSymbolTooLong, FormatAndSymbol(rules.limitFormat, symbol), at,
                      TooLong(rules, symbol).Token(label));
    return false;
  }
  return true;
}

bool CheckSymbolLength(const SymbolRules& rules, Diagnostics& diag, const std::string& symbol) {
  if (rules.maxLength != 0 && symbol.size() > rules.maxLength) {
    diag.ErrorWith(msg::kSymbolTooLong, FormatAndSymbol(rules.limitFormat, symbol), TooLong(rules, symbol));
    return false;
  }
  return true;
}

std::string_view FileStemOf(std::string_view path) {
  const size_t slash = path.find_last_of(kPathSeparators);
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  // A leading "." names a hidden file; it starts no extension.
  const size_t dot = name.rfind('.');
  return dot != std::string_view::npos && dot > 0 ? name.substr(0, dot) : name;
}

std::string SymbolFromPath(std::string_view prefix, std::string_view path) {
  std::string symbol(prefix);
  for (char c : FileStemOf(path)) symbol += IsPlainCharacter(c) ? c : '_';
  return symbol;
}

}  // namespace psgc
