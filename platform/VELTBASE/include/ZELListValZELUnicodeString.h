// ZELListValZELUnicodeString: a list of string values, positions from 1.
#pragma once

#include "VELTBASEExport.h"
#include "ZELCollection.h"
#include "ZELUnicodeString.h"

class VELTBASE_API ZELListValZELUnicodeString : public ZELCollection<ZELUnicodeString> {
 public:
  explicit ZELListValZELUnicodeString(int initialCapacity = 0) : ZELCollection<ZELUnicodeString>(initialCapacity) {}
  ZELListValZELUnicodeString(const ZELListValZELUnicodeString&) = default;
  ZELListValZELUnicodeString& operator=(const ZELListValZELUnicodeString&) = default;
  ~ZELListValZELUnicodeString() override;

  // Copies the elements in order into `oArray`, which holds `arraySize`
  // strings; returns how many were copied (at most arraySize).
  int Array(ZELUnicodeString* oArray, int arraySize) const;
};
