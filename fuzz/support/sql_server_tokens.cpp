#include "fuzz/support/sql_server_tokens.h"

namespace tarn::fuzz {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isWordStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u'@' ||
         c == u'#' || c == u'$' || c >= 0x80;
}

class Reader {
 public:
  explicit Reader(std::u16string_view sql) : sql_(sql) {}

  SqlTokens read() {
    while (pos_ < sql_.size()) {
      const char16_t c = sql_[pos_];
      if (isBlank(c)) {
        ++pos_;
      } else if (c == u'\'') {
        quoted(SqlKind::kLiteral, u'\'', false);
      } else if ((c == u'N' || c == u'n') && ahead(1) == u'\'') {
        ++pos_;
        quoted(SqlKind::kLiteral, u'\'', true);
      } else if (c == u'[') {
        quoted(SqlKind::kBracketed, u']', false);
      } else if (c == u'"') {
        quoted(SqlKind::kQuoted, u'"', false);
      } else if (c == u'-' && ahead(1) == u'-') {
        const std::size_t end = sql_.find(u'\n', pos_);
        take(SqlKind::kComment, end == std::u16string_view::npos ? sql_.size() : end);
      } else if (c == u'/' && ahead(1) == u'*') {
        const std::size_t end = sql_.find(u"*/", pos_ + 2);
        if (end == std::u16string_view::npos) out_.complete = false;
        take(SqlKind::kComment, end == std::u16string_view::npos ? sql_.size() : end + 2);
      } else if (isDigit(c)) {
        number();
      } else if (isWordStart(c)) {
        std::size_t end = pos_;
        while (end < sql_.size() && (isWordStart(sql_[end]) || isDigit(sql_[end]))) ++end;
        take(SqlKind::kWord, end);
      } else {
        take(SqlKind::kSymbol, pos_ + 1);
      }
    }
    return std::move(out_);
  }

 private:
  char16_t ahead(std::size_t n) const { return pos_ + n < sql_.size() ? sql_[pos_ + n] : 0; }

  void take(SqlKind kind, std::size_t end) {
    out_.tokens.push_back({kind, std::u16string(sql_.substr(pos_, end - pos_))});
    pos_ = end;
  }

  // From the opening quote at pos_ to the closing one; a doubled closing quote stands for itself.
  void quoted(SqlKind kind, char16_t close, bool unicode) {
    SqlToken token{kind, {}, unicode};
    ++pos_;
    while (true) {
      if (pos_ >= sql_.size()) {
        out_.complete = false;
        break;
      }
      const char16_t c = sql_[pos_++];
      if (c != close) {
        token.text += c;
      } else if (pos_ < sql_.size() && sql_[pos_] == close) {
        token.text += c;
        ++pos_;
      } else {
        break;
      }
    }
    out_.tokens.push_back(std::move(token));
  }

  void number() {
    std::size_t end = pos_;
    auto digits = [&] {
      while (end < sql_.size() && isDigit(sql_[end])) ++end;
    };
    digits();
    if (end < sql_.size() && sql_[end] == u'.') {
      ++end;
      digits();
    }
    if (end < sql_.size() && (sql_[end] == u'e' || sql_[end] == u'E')) {
      std::size_t exponent = end + 1;
      if (exponent < sql_.size() && (sql_[exponent] == u'+' || sql_[exponent] == u'-')) {
        ++exponent;
      }
      if (exponent < sql_.size() && isDigit(sql_[exponent])) {
        end = exponent;
        digits();
      }
    }
    take(SqlKind::kNumber, end);
  }

  std::u16string_view sql_;
  std::size_t pos_ = 0;
  SqlTokens out_;
};

}  // namespace

SqlTokens tokenizeSqlServer(std::u16string_view sql) { return Reader(sql).read(); }

}  // namespace tarn::fuzz
