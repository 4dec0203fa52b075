// The existing values a typed value was probably meant to be: those that differ from it only by
// letter case, width (full-width and half-width forms), blanks, or one character. Both texts are
// folded alike (Unicode NFKC with case folding, default-ignorable characters and every blank
// removed) and then compared code point by code point, one insertion, deletion or substitution
// allowed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::session {

// At most this many similar values are offered.
inline constexpr std::size_t kMostSimilarValues = 5;

// `text` folded: NFKC, case-folded, ignorable characters and blanks (white space of every
// script, the ideographic space included) removed.
std::u32string foldedForComparison(std::u16string_view text);

// True when `a` becomes `b` by at most one insertion, deletion or substitution.
bool withinOneEdit(std::u32string_view a, std::u32string_view b);

// The candidates whose folded text is within one edit of `typed`'s, in the candidates' order,
// leaving out any spelt exactly as `typed`; at most kMostSimilarValues.
std::vector<std::u16string> similarValues(std::u16string_view typed,
                                          const std::vector<std::u16string>& candidates);

// The stored lengths between which a similar value of `typed` is looked for: from one less than
// its folded length up to twice its folded length and four more, room for blanks spread through
// a stored value.
struct LengthWindow {
  std::size_t shortest;
  std::size_t longest;
};
LengthWindow similarLengthWindow(std::u16string_view typed);

}  // namespace tarn::session
