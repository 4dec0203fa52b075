// The archive entry record: the record the component writes for an item id and a value, read
// back by the archive component's parser, gives both byte for byte, or the parser refuses it
// with an AutomationError; it never alters them. Text that cannot be stored exactly (a lone
// surrogate, U+0000) must be refused; everything else, control characters included, must come
// back exactly as typed.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "erp/providers/archive_record.h"
#include "fuzz/support/fuzz_text.h"
#include "items/archive_entry.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace {

bool isStorable(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == 0) return false;
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

[[noreturn]] void fail(const char* what, std::u16string_view record) {
  std::fprintf(stderr, "%s: %s\n", what, tarn::automation::toUtf8(record).c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::u16string id = tarn::fuzz::fuzzText(input.ConsumeRandomLengthString(16));
  const std::u16string value = tarn::fuzz::fuzzText(input.ConsumeRemainingBytesAsString());
  const std::u16string record = tarn::items::MakeUserDefineRecord(id, value);
  const bool storable = isStorable(id) && isStorable(value);
  try {
    const auto parsed = tarn::erp::providers::parseArchiveRecord(record);
    if (parsed.itemId != id || parsed.value != value) fail("read back altered", record);
    if (!storable) fail("accepted text it cannot store exactly", record);
  } catch (const tarn::automation::AutomationError&) {
    if (storable) fail("refused", record);
  }
  return 0;
}
