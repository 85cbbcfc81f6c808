// Hints for a mistyped name: the nearest name of a table the compiler
// already has (commands, notes, instruments, labels, warnings).
#pragma once

#include <string_view>
#include <vector>

namespace psgc {

// Edits (insert, delete, replace, swap two neighbours) that turn `a` into
// `b`; counting stops just past `limit`.
size_t EditDistance(std::string_view a, std::string_view b, size_t limit);

// The name of `names` nearest to `word`, at most two edits away and fewer
// edits than `word` has characters (so that "x" suggests nothing); the
// first of equals wins. Empty when none is near or `word` is a name.
std::string_view NearestName(std::string_view word, const std::vector<std::string_view>& names);

}  // namespace psgc
