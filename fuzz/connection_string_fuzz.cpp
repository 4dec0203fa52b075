// The connection-string parser and printer: a list that parses prints as text that parses back
// to the same keys and values, and printing that gives the same text again.
#include <cstdlib>

#include "erp/db/connection_string.h"
#include "fuzz/support/fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tarn::erp::db::ConnectionString;
  const auto parsed =
      ConnectionString::parse(tarn::fuzz::fuzzText({reinterpret_cast<const char*>(data), size}));
  if (!parsed) return 0;
  const std::u16string printed = parsed->print();
  const auto again = ConnectionString::parse(printed);
  if (!again || *again != *parsed || again->print() != printed) std::abort();
  return 0;
}
