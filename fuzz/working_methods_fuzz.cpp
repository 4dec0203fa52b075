// The five working methods through the component's late-bound face, with outside components that
// answer from the input (InMemoryWorld). The caller's texts (item and free-item field names,
// match texts, values, card numbers, inventory codes) are arbitrary; table and field names are
// configuration and come from the world's lists.
//
// Every statement the component sends and every SQL it hands back must tokenize completely,
// with no comment and no quoted name. Each literal and bracketed name stands for one whole text
// of the call (a caller's text, as passed or trimmed, or a match text between '%'), an item
// caption, configuration or a fixed piece; every word outside them is a keyword or a name of the
// schema or the configuration, so caller text outside a literal (other than a number) shows.
// A reference method gives a Boolean and leaves its outputs untouched when it gives false; a
// validation gives 0, -1, -2 or 1, and only 0 or -1, with nothing archived, when archiving was
// not allowed. Every record set the component received is released when the method returns.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "component/prog_ids.h"
#include "fuzz/support/fuzz_text.h"
#include "fuzz/support/in_memory_world.h"
#include "fuzz/support/sql_server_tokens.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/component/entry_points.h"

namespace {

using namespace tarn;
using automation::Argument;
using automation::trimBlanks;
using automation::Variant;

const std::u16string kFixedLiterals[] = {u"单据头", u"单据体", u"u", u"money", u"smallmoney"};
const std::u16string kFixedWords[] = {
    u"select",     u"top",       u"distinct",   u"from",     u"where",    u"and",
    u"or",         u"like",      u"as",         u"in",       u"count",    u"userdefine",
    u"userdef",    u"vouchers",  u"inventory",  u"bas_part", u"person",   u"sysobjects",
    u"syscolumns", u"systypes",  u"a",          u"b",        u"cvalue",   u"calias",
    u"cbarcode",   u"cclass",    u"citem",      u"cid",      u"ctype",    u"imaxlen",
    u"bttblname",  u"cdefwhere", u"cardnumber", u"cinvcode", u"invcode",  u"id",
    u"xtype",      u"xusertype", u"name",       u"iid",      u"cdepcode", u"ccode",
    u"cposcode",   u"cwhcode",   u"cpersoncode"};
const std::u16string kSymbols = u"=,()*.+-";
// Free-item field names of GetStruFreeRefSQL, which writes the field name into its SQL as it
// stands (configuration).
const std::vector<std::u16string> kFreeFields = {u"cFree1", u"cfree2", u"CFREE10", u" cFree3 ",
                                                 u"cFreeX", u"cfree",  u"Free1"};

[[noreturn]] void fail(const char* what, std::u16string_view detail) {
  std::fprintf(stderr, "%s: %s\n", what, automation::toUtf8(detail).c_str());
  std::abort();
}

struct Call {
  int method;
  std::u16string name, match, value, card, inventory;  // caller texts
  std::int16_t source, section;
  std::u16string table, field;  // configuration
  bool buildAr;
};

// The texts a literal or bracketed name of this call may stand for.
std::set<std::u16string> expectedTexts(const Call& call, const fuzz::InMemoryWorld& world) {
  std::set<std::u16string> texts(std::begin(kFixedLiterals), std::end(kFixedLiterals));
  for (const auto& text : fuzz::kConfiguration) texts.insert({text, trimBlanks(text)});
  for (const auto* text : {&call.match, &call.value, &call.card, &call.inventory}) {
    texts.insert({*text, trimBlanks(*text), u"%" + trimBlanks(*text) + u"%"});
  }
  const std::u16string name = trimBlanks(call.name);
  if (name.size() > 7) texts.insert(u"自定义项" + name.substr(7));
  for (int n = 1; n <= 16; ++n) texts.insert(u"自定义项" + Variant(std::int16_t(n)).toString());
  const std::u16string suffix = name.size() > 5 ? name.substr(5) : u"";
  texts.insert(u"自由项" + suffix);
  for (const auto& resource : world.resourceTexts) texts.insert(resource + suffix);
  return texts;
}

std::set<std::u16string> vocabulary() {
  std::set<std::u16string> words(std::begin(kFixedWords), std::end(kFixedWords));
  for (const auto& text : fuzz::kConfiguration) {
    for (const auto& token : fuzz::tokenizeSqlServer(text).tokens) {
      words.insert(automation::asciiLower(token.text));
    }
  }
  for (const auto& field : kFreeFields)
    words.insert(automation::asciiLower(trimBlanks(field).substr(1)));
  return words;
}

void checkSql(std::u16string_view sql, const std::set<std::u16string>& expected) {
  static const std::set<std::u16string> words = vocabulary();
  const auto tokens = fuzz::tokenizeSqlServer(sql);
  if (!tokens.complete) fail("unterminated literal or name", sql);
  for (const auto& token : tokens.tokens) {
    switch (token.kind) {
      case fuzz::SqlKind::kLiteral:
      case fuzz::SqlKind::kBracketed:
        if (!expected.contains(token.text)) fail("unexpected literal or name", sql);
        break;
      case fuzz::SqlKind::kWord:
        if (!words.contains(automation::asciiLower(token.text))) fail("unexpected word", sql);
        break;
      case fuzz::SqlKind::kSymbol:
        if (kSymbols.find(token.text) == std::u16string::npos) fail("unexpected symbol", sql);
        break;
      case fuzz::SqlKind::kNumber:
        break;
      default:
        fail("comment or quoted name", sql);
    }
  }
}

std::u16string text(FuzzedDataProvider& input) {
  return fuzz::fuzzText(input.ConsumeRandomLengthString(40));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  velloc::DllRegisterServer();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Call call{input.ConsumeIntegralInRange(0, 4),
            text(input),
            text(input),
            text(input),
            text(input),
            text(input),
            input.ConsumeIntegralInRange<std::int16_t>(-1, 3),
            input.ConsumeIntegralInRange<std::int16_t>(-1, 2),
            input.PickValueInArray<std::u16string>({u"Person", u"customer", u"T_Orders", u""}),
            input.PickValueInArray<std::u16string>({u"cPersonName", u"cCode", u""}),
            input.ConsumeBool()};
  if (call.method == 4) call.name = kFreeFields[input.ConsumeIntegralInRange<std::size_t>(0, 6)];

  fuzz::InMemoryWorld world(input);
  automation::ObjectRef face = automation::CreateObject(velloc::kProgId);
  face->call(u"Init", {Argument::byValue(u"Provider=Fuzz"), Argument::byValue(u"demo")});

  Variant sql(u"caller sql"), columns(u"caller columns"), widths(std::int16_t{7});
  Variant value(call.value);
  auto in = [](const std::u16string& text) { return Argument::byValue(text); };
  const Argument outputs[] = {Argument::byRef(sql), Argument::byRef(columns),
                              Argument::byRef(widths)};
  Variant result;
  switch (call.method) {
    case 0:
      result =
          face->call(u"GetRefSQL", {Argument::byValue(call.source), Argument::byValue(call.section),
                                    in(call.name), in(call.table), in(call.field), in(call.card),
                                    in(call.match), outputs[0], outputs[1], outputs[2]});
      break;
    case 1:
      result = face->call(u"ValidateAr",
                          {Argument::byValue(call.source), Argument::byValue(call.section),
                           in(call.name), in(call.table), in(call.field), Argument::byRef(value),
                           in(call.card), Argument::byValue(call.buildAr)});
      break;
    case 2:
      result = face->call(u"GetFreeRefSQL",
                          {in(call.name), in(call.match), outputs[0], outputs[1], outputs[2]});
      break;
    case 3:
      result = face->call(u"ValidateFreeAr",
                          {in(call.name), Argument::byRef(value), Argument::byValue(call.buildAr)});
      break;
    default:
      result = face->call(u"GetStruFreeRefSQL", {in(call.inventory), in(call.name), in(call.match),
                                                 outputs[0], outputs[1], outputs[2]});
  }
  if (world.liveRecordSets() != 0) fail("a record set is still held", u"");

  const auto expected = expectedTexts(call, world);
  for (const auto& statement : world.statements) checkSql(statement, expected);
  if (call.method == 1 || call.method == 3) {
    if (result.type() != Variant::Type::Integer) fail("validation result", u"not an Integer");
    const auto code = result.toInteger();
    if (code != 0 && code != -1 && (!call.buildAr || (code != -2 && code != 1))) {
      fail("validation result", result.toString());
    }
    if (world.records.size() > (call.buildAr ? 1u : 0u)) fail("archived", value.toString());
  } else if (result.type() != Variant::Type::Boolean) {
    fail("reference result", u"not a Boolean");
  } else if (result.toBoolean()) {
    checkSql(sql.toString(), expected);
  } else if (sql != Variant(u"caller sql") || columns != Variant(u"caller columns") ||
             widths != Variant(std::int16_t{7})) {
    fail("outputs written on failure", sql.toString());
  }
  return 0;
}
