// A narrow (UTF-8) string value.
#pragma once

#include <string>

#include "ZELSysTSExport.h"

class ZELSYSTS_API ZELString {
 public:
  ZELString() = default;
  ZELString(const char* text) : _text(text ? text : "") {}
  ZELString(char c) : _text(1, c) {}

  const char* CastToCharPtr() const { return _text.c_str(); }
  operator const char*() const { return _text.c_str(); }
  int GetLength() const { return static_cast<int>(_text.size()); }

 private:
  std::string _text;
};
