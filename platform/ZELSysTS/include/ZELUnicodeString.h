// ZELUnicodeString: a UTF-16 string value with UTF-8 narrow views.
//
// Narrow texts given to it are UTF-8; ill-formed bytes become U+FFFD. The
// narrow texts it hands out (ConvertToChar, CastToCharPtr) are owned by the
// string and stay valid until the string next changes or is destroyed.
#pragma once

#include <string>

#include "ZELSysTSExport.h"
#include "ZELUnicodeChar.h"

class ZELSYSTS_API ZELUnicodeString {
 public:
  ZELUnicodeString();
  ZELUnicodeString(const char* utf8);
  ZELUnicodeString(const char16_t* units, int length);
  ZELUnicodeString(const ZELUnicodeString& other);
  ZELUnicodeString(ZELUnicodeString&& other) noexcept;
  // `count` copies of one character (none for a count below 1).
  ZELUnicodeString(const ZELUnicodeChar& c, int count);
  ~ZELUnicodeString();

  ZELUnicodeString& operator=(const ZELUnicodeString& other);
  ZELUnicodeString& operator=(ZELUnicodeString&& other) noexcept;
  ZELUnicodeString& operator=(const char* utf8);

  ZELUnicodeString& operator+=(const ZELUnicodeString& other);
  ZELUnicodeString& operator+=(const char* utf8);
  ZELUnicodeString& Append(const ZELUnicodeString& other);
  ZELUnicodeString& Append(const char* utf8);
  ZELUnicodeString& Append(const ZELUnicodeChar& c);

  // Makes room for `units` UTF-16 units without changing the contents, so that
  // appends up to that length allocate nothing.
  void Reserve(int units);

  // Number of UTF-16 code units.
  int GetLengthInChar() const;
  bool IsEmpty() const { return _units.empty(); }

  // The UTF-16 units, terminated by a zero unit; owned by the string.
  const char16_t* ConvertToUCChar() const;
  // The UTF-8 text; owned by the string.
  const char* ConvertToChar() const;
  const char* CastToCharPtr() const;

  // Replaces the contents with one number formatted by `format`, which holds
  // exactly one conversion: "%d"/"%i" (int), "%u"/"%x"/"%X" (unsigned int) or
  // "%g"/"%f"/"%e" (double); the overload chosen must match. Returns *this.
  ZELUnicodeString& BuildFromNum(const char* format, int value);
  ZELUnicodeString& BuildFromNum(const char* format, unsigned int value);
  ZELUnicodeString& BuildFromNum(const char* format, double value);
  static ZELUnicodeString FromNum(const char* format, int value);
  static ZELUnicodeString FromNum(const char* format, unsigned int value);
  static ZELUnicodeString FromNum(const char* format, double value);

  // `length` units from `start`, clipped to the string; empty when out of range.
  ZELUnicodeString SubString(int start, int length) const;

  // 2 when both strings are equal, 1 when this one sorts first, 3 when it sorts
  // after (unit by unit).
  int Compare(const ZELUnicodeString& other) const;

  // Lowers ASCII and Latin-1 letters in place. Returns *this.
  ZELUnicodeString& ToLower();
  // Replaces every occurrence of `from` (left to right, not overlapping) by
  // `to`. Returns the number of replacements; an empty `from` replaces nothing.
  int ReplaceAll(const ZELUnicodeString& from, const ZELUnicodeString& to);
  // Position of the first occurrence of `text` at or after `start`, or -1.
  // Mode 1 searches forward; mode 0 searches backward from the end.
  int SearchSubString(const ZELUnicodeString& text, int start = 0, int mode = 1) const;

  bool operator==(const ZELUnicodeString& other) const { return _units == other._units; }
  bool operator!=(const ZELUnicodeString& other) const { return _units != other._units; }

  // The UTF-16 contents.
  const std::u16string& Units() const { return _units; }

 private:
  void Invalidate() { _narrowValid = false; }

  std::u16string _units;
  mutable std::string _narrow;
  mutable bool _narrowValid = false;
};

ZELSYSTS_API ZELUnicodeString operator+(const char* left, const ZELUnicodeString& right);
ZELSYSTS_API ZELUnicodeString operator+(const ZELUnicodeString& left, const ZELUnicodeString& right);
ZELSYSTS_API ZELUnicodeString operator+(const ZELUnicodeString& left, const char* right);
