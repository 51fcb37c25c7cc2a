#include "ZELUnicodeString.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "ZELUtf.h"

namespace {

std::u16string FromUtf8(const char* text) {
  if (!text) return std::u16string();
  return zelsysts::Utf8ToUtf16(text, std::strlen(text));
}

// The single conversion of a number format, checked so that a format and the
// value's type always agree: returns the conversion letter, or 0.
char Conversion(const char* format) {
  char found = 0;
  for (const char* p = format; p && *p; ++p) {
    if (*p != '%') continue;
    if (p[1] == '%') {
      ++p;
      continue;
    }
    const char* q = p + 1;
    while (*q && std::strchr("-+ #0123456789.", *q)) ++q;
    if (!*q || found) return 0;
    found = *q;
    p = q;
  }
  return found;
}

template <typename T>
std::u16string Format(const char* format, const char* allowed, T value) {
  char c = Conversion(format);
  if (!c || !std::strchr(allowed, c)) return std::u16string();
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n < 0) return std::u16string();
  size_t len = static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1;
  return zelsysts::Utf8ToUtf16(buffer, len);
}

}  // namespace

ZELUnicodeString::ZELUnicodeString() = default;
ZELUnicodeString::ZELUnicodeString(const char* utf8) : _units(FromUtf8(utf8)) {}
ZELUnicodeString::ZELUnicodeString(const char16_t* units, int length)
    : _units(units && length > 0 ? std::u16string(units, static_cast<size_t>(length)) : std::u16string()) {}
ZELUnicodeString::ZELUnicodeString(const ZELUnicodeString& other) : _units(other._units) {}
ZELUnicodeString::ZELUnicodeString(ZELUnicodeString&& other) noexcept : _units(std::move(other._units)) {
  other.Invalidate();
}
ZELUnicodeString::ZELUnicodeString(const ZELUnicodeChar& c, int count)
    : _units(count > 0 ? static_cast<size_t>(count) : 0, c.Unit()) {}
ZELUnicodeString::~ZELUnicodeString() = default;

ZELUnicodeString& ZELUnicodeString::operator=(const ZELUnicodeString& other) {
  if (this != &other) {
    _units = other._units;
    Invalidate();
  }
  return *this;
}

ZELUnicodeString& ZELUnicodeString::operator=(ZELUnicodeString&& other) noexcept {
  if (this != &other) {
    _units = std::move(other._units);
    Invalidate();
    other.Invalidate();
  }
  return *this;
}

ZELUnicodeString& ZELUnicodeString::operator=(const char* utf8) {
  _units = FromUtf8(utf8);
  Invalidate();
  return *this;
}

ZELUnicodeString& ZELUnicodeString::operator+=(const ZELUnicodeString& other) { return Append(other); }
ZELUnicodeString& ZELUnicodeString::operator+=(const char* utf8) { return Append(utf8); }

ZELUnicodeString& ZELUnicodeString::Append(const ZELUnicodeString& other) {
  _units += other._units;  // Safe when `other` is *this.
  Invalidate();
  return *this;
}

ZELUnicodeString& ZELUnicodeString::Append(const char* utf8) {
  _units += FromUtf8(utf8);
  Invalidate();
  return *this;
}

ZELUnicodeString& ZELUnicodeString::Append(const ZELUnicodeChar& c) {
  _units.push_back(c.Unit());
  Invalidate();
  return *this;
}

void ZELUnicodeString::Reserve(int units) {
  if (units > 0) _units.reserve(static_cast<size_t>(units));
}

int ZELUnicodeString::GetLengthInChar() const { return static_cast<int>(_units.size()); }

const char16_t* ZELUnicodeString::ConvertToUCChar() const { return _units.c_str(); }

const char* ZELUnicodeString::ConvertToChar() const {
  if (!_narrowValid) {
    _narrow = zelsysts::Utf16ToUtf8(_units);
    _narrowValid = true;
  }
  return _narrow.c_str();
}

const char* ZELUnicodeString::CastToCharPtr() const { return ConvertToChar(); }

ZELUnicodeString& ZELUnicodeString::BuildFromNum(const char* format, int value) {
  _units = Format(format, "di", value);
  Invalidate();
  return *this;
}

ZELUnicodeString& ZELUnicodeString::BuildFromNum(const char* format, unsigned int value) {
  _units = Format(format, "uxXo", value);
  Invalidate();
  return *this;
}

ZELUnicodeString& ZELUnicodeString::BuildFromNum(const char* format, double value) {
  _units = Format(format, "gGfFeE", value);
  Invalidate();
  return *this;
}

ZELUnicodeString ZELUnicodeString::FromNum(const char* format, int value) {
  ZELUnicodeString s;
  s.BuildFromNum(format, value);
  return s;
}

ZELUnicodeString ZELUnicodeString::FromNum(const char* format, unsigned int value) {
  ZELUnicodeString s;
  s.BuildFromNum(format, value);
  return s;
}

ZELUnicodeString ZELUnicodeString::FromNum(const char* format, double value) {
  ZELUnicodeString s;
  s.BuildFromNum(format, value);
  return s;
}

ZELUnicodeString ZELUnicodeString::SubString(int start, int length) const {
  ZELUnicodeString result;
  if (start < 0 || length < 1 || static_cast<size_t>(start) >= _units.size()) return result;
  result._units = _units.substr(static_cast<size_t>(start), static_cast<size_t>(length));
  return result;
}

int ZELUnicodeString::Compare(const ZELUnicodeString& other) const {
  int c = _units.compare(other._units);
  return c == 0 ? 2 : (c < 0 ? 1 : 3);
}

ZELUnicodeString& ZELUnicodeString::ToLower() {
  for (char16_t& u : _units) {
    if ((u >= u'A' && u <= u'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) u = static_cast<char16_t>(u + 32);
  }
  Invalidate();
  return *this;
}

int ZELUnicodeString::ReplaceAll(const ZELUnicodeString& from, const ZELUnicodeString& to) {
  if (from._units.empty()) return 0;
  const std::u16string pattern = from._units;  // `from` or `to` may be *this.
  const std::u16string replacement = to._units;
  std::u16string out;
  int count = 0;
  size_t pos = 0;
  for (;;) {
    size_t hit = _units.find(pattern, pos);
    if (hit == std::u16string::npos) break;
    out.append(_units, pos, hit - pos);
    out += replacement;
    pos = hit + pattern.size();
    ++count;
  }
  if (count) {
    out.append(_units, pos, std::u16string::npos);
    _units.swap(out);
    Invalidate();
  }
  return count;
}

int ZELUnicodeString::SearchSubString(const ZELUnicodeString& text, int start, int mode) const {
  if (start < 0 || static_cast<size_t>(start) > _units.size()) return -1;
  size_t hit;
  if (mode == 0) {
    hit = _units.rfind(text._units);
    if (hit != std::u16string::npos && hit < static_cast<size_t>(start)) hit = std::u16string::npos;
  } else {
    hit = _units.find(text._units, static_cast<size_t>(start));
  }
  return hit == std::u16string::npos ? -1 : static_cast<int>(hit);
}

ZELUnicodeString operator+(const char* left, const ZELUnicodeString& right) {
  ZELUnicodeString result(left);
  result.Append(right);
  return result;
}

ZELUnicodeString operator+(const ZELUnicodeString& left, const ZELUnicodeString& right) {
  ZELUnicodeString result(left);
  result.Append(right);
  return result;
}

ZELUnicodeString operator+(const ZELUnicodeString& left, const char* right) {
  ZELUnicodeString result(left);
  result.Append(right);
  return result;
}
