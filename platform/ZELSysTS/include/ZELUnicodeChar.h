// One UTF-16 code unit.
#pragma once

#include "ZELSysTSExport.h"

class ZELSYSTS_API ZELUnicodeChar {
 public:
  ZELUnicodeChar() : _unit(0) {}
  // A byte below 0x80 is the same character; any other byte is taken as Latin-1.
  ZELUnicodeChar(char c) : _unit(static_cast<unsigned char>(c)) {}
  explicit ZELUnicodeChar(char16_t unit) : _unit(unit) {}

  char16_t Unit() const { return _unit; }

 private:
  char16_t _unit;
};
