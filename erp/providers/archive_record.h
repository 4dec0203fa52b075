// The archive entry record that the component hands to a data service's Add:
//   <Userdefine><cId>H03</cId><cValue>华东区</cValue></Userdefine>
// It is read with an XML parser, so entities and character references (&amp; &lt; &#39; …) and
// CDATA sections give back exactly the text the user typed: blanks, tabs and line ends are kept
// as they stand. Element names are matched with ASCII case ignored.
#pragma once

#include <string>
#include <string_view>

namespace tarn::erp::providers {

struct ArchiveRecord {
  std::u16string itemId;  // UserDef.cID
  std::u16string value;   // the value to archive
};

// Raises kComponentFailure with the reason when the text is not well-formed UTF-16 (it could not
// be stored exactly), is not well-formed XML, its only element is not Userdefine, or Userdefine
// does not hold exactly one cId and one cValue with text content alone.
ArchiveRecord parseArchiveRecord(std::u16string_view record);

}  // namespace tarn::erp::providers
