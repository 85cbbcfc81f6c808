// Hints: the optimal string alignment distance between two short words.
#include "common/hints.h"

#include <algorithm>

namespace psgc {

size_t EditDistance(std::string_view a, std::string_view b, size_t limit) {
  const size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  if (gap > limit) return limit + 1;
  // Three rows of the table: two back, one back, this one.
  std::vector<size_t> before(b.size() + 1);
  std::vector<size_t> previous(b.size() + 1);
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    size_t best = row[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      row[j] = std::min({previous[j] + 1, row[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        row[j] = std::min(row[j], before[j - 2] + 1);
      }
      best = std::min(best, row[j]);
    }
    if (best > limit) return limit + 1;
    std::swap(before, previous);
    std::swap(previous, row);
  }
  return std::min(previous[b.size()], limit + 1);
}

std::string_view NearestName(std::string_view word, const std::vector<std::string_view>& names) {
  constexpr size_t kMostEdits = 2;
  std::string_view nearest;
  size_t best = kMostEdits + 1;
  for (std::string_view name : names) {
    if (name == word) return std::string_view();
    const size_t d = EditDistance(word, name, kMostEdits);
    if (d < best && d < word.size()) {
      best = d;
      nearest = name;
    }
  }
  return nearest;
}

}  // namespace psgc
