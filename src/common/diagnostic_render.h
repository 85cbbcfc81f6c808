// The two renderings of a diagnostic: the classic line, and the GCC-style
// "file:line:col: error: sentence" with the quoted line and its caret.
#pragma once

#include <string>

#include "common/diagnostics.h"

namespace psgc {

// The classic text, with its warning option; a note has no classic form.
// In colour, the ERROR or WARNING word is coloured as GCC colours its own.
std::string RenderClassic(const Diagnostic& d, bool colour);

// "FILE:LINE:COL: error: TEXT" (or "FILE: error:", or "psgc: error:"), the
// source line and its caret line, then the notes, each so rendered.
std::string RenderGcc(const Diagnostic& d, bool colour);

}  // namespace psgc
