#include "services/record_set.h"

namespace tarn::services {

using automation::Argument;
using automation::callOn;
using automation::Variant;

RecordSet::RecordSet(const Variant& result) : object_(result.toObject()) {}

bool RecordSet::bof() { return callOn(object_, u"BOF").toBoolean(); }

bool RecordSet::eof() { return callOn(object_, u"EOF").toBoolean(); }

Variant RecordSet::field(std::u16string_view name) { return fieldByKey(std::u16string(name)); }

Variant RecordSet::field(std::int16_t index) { return fieldByKey(index); }

Variant RecordSet::fieldByKey(Variant key) {
  const auto fields = callOn(object_, u"Fields").toObject();
  const auto item = callOn(fields, u"Item", {Argument::byValue(std::move(key))}).toObject();
  return callOn(item, u"Value");
}

void RecordSet::moveNext() { callOn(object_, u"MoveNext"); }

void RecordSet::close() {
  callOn(object_, u"Close");
  object_.reset();
}

}  // namespace tarn::services
