// What a connection pays to find the shape of a statement text (dialect.h): remembered by its
// text (shape_memo.h) beside read afresh (the _DirectScan twin), for a text run again and for a
// text that is new every time (a value never validated before), where the memo only adds its
// bookkeeping to the reading.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "erp/db/shape_memo.h"

namespace tarn::bench {
namespace {

using erp::db::ShapeMemo;
using erp::db::StatementShape;

// The alias lookup of a list-source validation, as the component writes it.
std::u16string aliasLookup(std::u16string_view alias) {
  return u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据头' and "
         u"B.cItem =N'自定义项9' and B.cID = A.cID and A.cAlias =N'" +
         std::u16string(alias) + u"'";
}

// One text, or a thousand that differ in their value: more than the memo keeps.
std::vector<std::u16string> textsFor(const benchmark::State& state) {
  std::vector<std::u16string> texts;
  const auto count = state.range(0) == 0 ? 1 : 1000;
  for (int i = 0; i < count; ++i)
    texts.push_back(aliasLookup(u"G" + std::u16string(1, u'0' + i % 10) +
                                std::u16string(1, u'0' + i / 10 % 10) +
                                std::u16string(1, u'0' + i / 100)));
  return texts;
}

void BM_StatementShape(benchmark::State& state) {
  const auto texts = textsFor(state);
  ShapeMemo memo(64);
  StatementShape shape;
  std::size_t i = 0;
  for (auto _ : state) {
    memo.shape(texts[i], shape);
    benchmark::DoNotOptimize(shape.values.data());
    if (++i == texts.size()) i = 0;
  }
}

void BM_StatementShape_DirectScan(benchmark::State& state) {
  const auto texts = textsFor(state);
  StatementShape shape;
  std::size_t i = 0;
  for (auto _ : state) {
    erp::db::shapeStatement(texts[i], shape);
    benchmark::DoNotOptimize(shape.values.data());
    if (++i == texts.size()) i = 0;
  }
}

// 0: the same text every call; 1: a new text every call.
BENCHMARK(BM_StatementShape)->ArgName("newText")->Arg(0)->Arg(1);
BENCHMARK(BM_StatementShape_DirectScan)->ArgName("newText")->Arg(0)->Arg(1);

}  // namespace
}  // namespace tarn::bench
