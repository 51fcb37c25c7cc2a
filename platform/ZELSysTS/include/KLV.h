// Conversions between the string types of the two platform layers.
#pragma once

#include "ZELSysTSExport.h"
#include "ZELSysTSUnicodeString.h"
#include "ZELUnicodeString.h"

namespace KLV {
ZELSYSTS_API void Copy(const ZELSysTSUnicodeString& from, ZELUnicodeString& to);
ZELSYSTS_API void Copy(const ZELUnicodeString& from, ZELSysTSUnicodeString& to);
}  // namespace KLV
