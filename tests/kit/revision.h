// Expected texts for the revision of the component under build. Tests write every expected SQL
// text, and every call log or output text that carries SQL or ProgIDs, as the current revision
// writes it, and pass it through revisionText(): a build of the earlier revision
// (TARN_EARLIER_REVISION) then expects the earlier revision's text, any other build the text as
// written.
//
// The two revisions differ in these pieces only:
//
//   current revision            earlier revision
//   =N'                         = '
//   = N'                        = '
//   like N'                     like '
//   TarnColumnSvc.IColumnSvc    TarnColSetSvc.IColumnSvc
//
// A piece is rewritten only where it stands in the SQL itself, never inside caller text: the
// text is read as SQL Server reads it, so nothing between the apostrophes of a string literal
// (two apostrophes inside one stand for one) or between the brackets of a name ("]]" stands for
// "]") is touched. Header-only, so that tests which link no component can use it too.
#pragma once

#include <string>
#include <string_view>

namespace tarn::testing {

#ifdef TARN_EARLIER_REVISION
inline constexpr bool kEarlierRevisionBuild = true;
#else
inline constexpr bool kEarlierRevisionBuild = false;
#endif

struct RevisionRewrite {
  std::string_view current;
  std::string_view earlier;
};

inline constexpr RevisionRewrite kEarlierRevisionRewrites[] = {
    {"=N'", "= '"},
    {"= N'", "= '"},
    {"like N'", "like '"},
    {"TarnColumnSvc.IColumnSvc", "TarnColSetSvc.IColumnSvc"},
};

namespace revision_detail {

template <class Char>
bool startsAt(std::basic_string_view<Char> text, std::size_t at, std::string_view piece) {
  if (text.size() - at < piece.size()) return false;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    if (text[at + i] != static_cast<Char>(piece[i])) return false;
  }
  return true;
}

// `text` as the earlier revision writes it.
template <class Char>
std::basic_string<Char> earlierRevision(std::basic_string_view<Char> text) {
  enum class Reading { kSql, kLiteral, kName };
  Reading reading = Reading::kSql;
  std::basic_string<Char> out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (reading == Reading::kSql) {
      const RevisionRewrite* rewrite = nullptr;
      for (const auto& r : kEarlierRevisionRewrites) {
        if (startsAt(text, i, r.current)) {
          rewrite = &r;
          break;
        }
      }
      if (rewrite != nullptr) {
        for (const char c : rewrite->earlier) out += static_cast<Char>(c);
        i += rewrite->current.size();
        if (rewrite->earlier.ends_with('\'')) reading = Reading::kLiteral;
        continue;
      }
      if (text[i] == Char('\'')) reading = Reading::kLiteral;
      if (text[i] == Char('[')) reading = Reading::kName;
      out += text[i++];
      continue;
    }
    const Char close = reading == Reading::kLiteral ? Char('\'') : Char(']');
    const Char c = text[i++];
    out += c;
    if (c != close) continue;
    if (i < text.size() && text[i] == close) {
      out += text[i++];
    } else {
      reading = Reading::kSql;
    }
  }
  return out;
}

// The rewrite is compiled, and so checked, in every build; only the earlier revision's runs it.
template <class Char>
std::basic_string<Char> underBuild(std::basic_string_view<Char> text) {
  if (kEarlierRevisionBuild) return earlierRevision(text);
  return std::basic_string<Char>(text);
}

}  // namespace revision_detail

// `text`, written as the current revision writes it, as the revision under build writes it.
inline std::string revisionText(std::string_view text) { return revision_detail::underBuild(text); }
inline std::u16string revisionText(std::u16string_view text) {
  return revision_detail::underBuild(text);
}

}  // namespace tarn::testing
