// Out-of-line members of the platform lists and the byte array.
#include "ZELBinary.h"
#include "ZELListValZELUnicodeString.h"
#include "ZELRawCollPV.h"
#include "ZELRawCollint.h"

ZELRawCollPV::~ZELRawCollPV() = default;
ZELRawCollint::~ZELRawCollint() = default;
ZELListValZELUnicodeString::~ZELListValZELUnicodeString() = default;

int ZELListValZELUnicodeString::Array(ZELUnicodeString* oArray, int arraySize) const {
  if (!oArray || arraySize < 1) return 0;
  int n = Size() < arraySize ? Size() : arraySize;
  for (int i = 0; i < n; ++i) oArray[i] = Items()[static_cast<size_t>(i)];
  return n;
}

ZELBinary::ZELBinary(unsigned int length, const char* bytes) {
  if (bytes && length > 0) _bytes.assign(bytes, bytes + length);
}
ZELBinary::~ZELBinary() = default;
