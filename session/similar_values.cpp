#include "session/similar_values.h"

#include <utf8proc.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "tarnvelloc/automation/text.h"

namespace tarn::session {
namespace {

bool isBlank(utf8proc_int32_t c) {
  if (c >= 0x09 && c <= 0x0D) return true;
  const utf8proc_category_t category = utf8proc_category(c);
  return category == UTF8PROC_CATEGORY_ZS || category == UTF8PROC_CATEGORY_ZL ||
         category == UTF8PROC_CATEGORY_ZP;
}

}  // namespace

std::u32string foldedForComparison(std::u16string_view text) {
  const std::string utf8 = automation::toUtf8(text);
  utf8proc_uint8_t* mapped = nullptr;
  const auto options = static_cast<utf8proc_option_t>(
      UTF8PROC_STABLE | UTF8PROC_COMPAT | UTF8PROC_COMPOSE | UTF8PROC_CASEFOLD | UTF8PROC_IGNORE);
  const utf8proc_ssize_t length =
      utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()),
                   static_cast<utf8proc_ssize_t>(utf8.size()), &mapped, options);
  const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owned(mapped, &std::free);
  const auto* bytes = length < 0 ? reinterpret_cast<const utf8proc_uint8_t*>(utf8.data()) : mapped;
  utf8proc_ssize_t left = length < 0 ? static_cast<utf8proc_ssize_t>(utf8.size()) : length;
  std::u32string folded;
  while (left > 0) {
    utf8proc_int32_t c = 0;
    const utf8proc_ssize_t used = utf8proc_iterate(bytes, left, &c);
    if (used <= 0) break;
    if (!isBlank(c)) folded += static_cast<char32_t>(c);
    bytes += used;
    left -= used;
  }
  return folded;
}

bool withinOneEdit(std::u32string_view a, std::u32string_view b) {
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1) return false;
  std::size_t front = 0;
  while (front < a.size() && a[front] == b[front]) ++front;
  std::size_t back = 0;
  while (back < a.size() - front && a[a.size() - 1 - back] == b[b.size() - 1 - back]) ++back;
  // What is left between the common start and the common end: at most one character each.
  return b.size() - front - back <= 1;
}

std::vector<std::u16string> similarValues(std::u16string_view typed,
                                          const std::vector<std::u16string>& candidates) {
  const std::u32string folded = foldedForComparison(typed);
  std::vector<std::u16string> similar;
  for (const auto& candidate : candidates) {
    if (similar.size() == kMostSimilarValues) break;
    if (candidate != typed && withinOneEdit(folded, foldedForComparison(candidate))) {
      similar.push_back(candidate);
    }
  }
  return similar;
}

LengthWindow similarLengthWindow(std::u16string_view typed) {
  const std::size_t folded = foldedForComparison(typed).size();
  return {folded == 0 ? 0 : folded - 1, 2 * folded + 4};
}

}  // namespace tarn::session
