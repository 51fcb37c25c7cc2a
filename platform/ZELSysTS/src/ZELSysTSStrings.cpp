// ZELSysTSUnicodeString, ZELSysTSVectorOfUnicodeString and the KLV conversions.
#include <cstring>

#include "KLV.h"
#include "ZELSysTSUnicodeString.h"
#include "ZELSysTSVectorOfUnicodeString.h"
#include "ZELUtf.h"

ZELSysTSUnicodeString::ZELSysTSUnicodeString(const char* utf8)
    : _units(utf8 ? zelsysts::Utf8ToUtf16(utf8, std::strlen(utf8)) : std::u16string()) {}

ZELSysTSUnicodeString::ZELSysTSUnicodeString(const char16_t* units, int length)
    : _units(units && length > 0 ? std::u16string(units, static_cast<size_t>(length)) : std::u16string()) {}

ZELSysTSVectorOfUnicodeString::~ZELSysTSVectorOfUnicodeString() = default;

void ZELSysTSVectorOfUnicodeString::SetCapacity(int capacity) {
  if (capacity > 0) _items.reserve(static_cast<size_t>(capacity));
}

void ZELSysTSVectorOfUnicodeString::PutBack(const ZELSysTSUnicodeString& value) { _items.push_back(value); }

HRESULT ZELSysTSVectorOfUnicodeString::Get(int index, ZELSysTSUnicodeString& out) const {
  if (index < 0 || static_cast<size_t>(index) >= _items.size()) return E_INVALIDARG;
  out = _items[static_cast<size_t>(index)];
  return S_OK;
}

namespace KLV {

void Copy(const ZELSysTSUnicodeString& from, ZELUnicodeString& to) {
  to = ZELUnicodeString(from.GetBuffer(), from.GetLength());
}

void Copy(const ZELUnicodeString& from, ZELSysTSUnicodeString& to) {
  to = ZELSysTSUnicodeString(from.ConvertToUCChar(), from.GetLengthInChar());
}

}  // namespace KLV
