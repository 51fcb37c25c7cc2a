#include "ZELUnicodeString.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "ZELUtf.h"

namespace {

const char16_t kNoUnits[1] = {0};

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

// Formats one number into `buffer` when the format's conversion is one of
// `allowed`; returns the length written, 0 otherwise.
template <typename T>
size_t Format(char (&buffer)[128], const char* format, const char* allowed, T value) {
  char c = Conversion(format);
  if (!c || !std::strchr(allowed, c)) return 0;
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n < 0) return 0;
  return static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1;
}

bool IsAscii(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

}  // namespace

void ZELUnicodeString::Free(Buffer* buffer) {
  buffer->~Buffer();
  ::operator delete(buffer);
}

void ZELUnicodeString::Reshape(size_t needed, size_t reserve, size_t keep, std::u16string_view extra) {
  const size_t size = keep + extra.size();
  if (_buffer && _buffer->capacity >= needed && _buffer->references.load(std::memory_order_acquire) == 1) {
    char16_t* units = _buffer->Units();
    if (!extra.empty()) std::memmove(units + keep, extra.data(), extra.size() * sizeof(char16_t));
    units[size] = 0;
    _buffer->size = size;
  } else {
    const size_t capacity = needed > reserve ? needed : reserve;
    void* memory = ::operator new(sizeof(Buffer) + (capacity + 1) * sizeof(char16_t));
    Buffer* fresh = new (memory) Buffer{{1}, size, capacity};
    char16_t* units = fresh->Units();
    if (keep) std::memcpy(units, _buffer->Units(), keep * sizeof(char16_t));
    if (!extra.empty()) std::memcpy(units + keep, extra.data(), extra.size() * sizeof(char16_t));
    units[size] = 0;
    Drop(_buffer);  // after the copies: `extra` may lie in the old buffer
    _buffer = fresh;
  }
  Invalidate();
}

void ZELUnicodeString::Assign(std::u16string_view units) {
  if (units.empty()) {
    Drop(_buffer);
    _buffer = nullptr;
    Invalidate();
    return;
  }
  Reshape(units.size(), units.size(), 0, units);
}

void ZELUnicodeString::AppendUnits(std::u16string_view units) {
  if (units.empty()) return;
  const size_t size = static_cast<size_t>(GetLengthInChar());
  const size_t grown = _buffer ? 2 * _buffer->capacity : 0;  // appends in a row stay linear
  Reshape(size + units.size(), grown, size, units);
}

void ZELUnicodeString::PutUtf8(size_t keep, const char* text, size_t length) {
  if (!IsAscii(text, length)) {
    const std::u16string units = zelsysts::Utf8ToUtf16(text, length);
    if (keep == 0) {
      Assign(units);
    } else {
      Reshape(keep, keep, keep, std::u16string_view());
      AppendUnits(units);
    }
    return;
  }
  if (keep + length == 0) {
    Assign(std::u16string_view());
    return;
  }
  const size_t grown = keep > 0 && _buffer ? 2 * _buffer->capacity : 0;
  Reshape(keep + length, grown, keep, std::u16string_view());
  char16_t* units = _buffer->Units() + keep;
  for (size_t i = 0; i < length; ++i) units[i] = static_cast<char16_t>(text[i]);
  units[length] = 0;
  _buffer->size = keep + length;
}

ZELUnicodeString::ZELUnicodeString(const char* utf8) {
  if (utf8) PutUtf8(0, utf8, std::strlen(utf8));
}

ZELUnicodeString::ZELUnicodeString(const char16_t* units, int length) {
  if (units && length > 0) Assign(std::u16string_view(units, static_cast<size_t>(length)));
}

ZELUnicodeString::ZELUnicodeString(const ZELUnicodeChar& c, int count) {
  if (count < 1) return;
  const size_t n = static_cast<size_t>(count);
  Reshape(n, n, 0, std::u16string_view());
  char16_t* units = _buffer->Units();
  for (size_t i = 0; i < n; ++i) units[i] = c.Unit();
  units[n] = 0;
  _buffer->size = n;
}

ZELUnicodeString& ZELUnicodeString::operator=(const char* utf8) {
  PutUtf8(0, utf8 ? utf8 : "", utf8 ? std::strlen(utf8) : 0);
  return *this;
}

ZELUnicodeString& ZELUnicodeString::operator+=(const ZELUnicodeString& other) { return Append(other); }
ZELUnicodeString& ZELUnicodeString::operator+=(const char* utf8) { return Append(utf8); }

ZELUnicodeString& ZELUnicodeString::Append(const ZELUnicodeString& other) {
  if (!_buffer) return *this = other;  // nothing to keep: share the other's buffer
  AppendUnits(other.Units());          // safe when `other` is *this
  return *this;
}

ZELUnicodeString& ZELUnicodeString::Append(const char* utf8) {
  if (utf8 && *utf8) PutUtf8(static_cast<size_t>(GetLengthInChar()), utf8, std::strlen(utf8));
  return *this;
}

ZELUnicodeString& ZELUnicodeString::Append(const ZELUnicodeChar& c) {
  const char16_t unit = c.Unit();
  AppendUnits(std::u16string_view(&unit, 1));
  return *this;
}

void ZELUnicodeString::Reserve(int units) {
  const size_t size = static_cast<size_t>(GetLengthInChar());
  if (units > 0 && static_cast<size_t>(units) > size) {
    Reshape(static_cast<size_t>(units), static_cast<size_t>(units), size, std::u16string_view());
  }
}

const char16_t* ZELUnicodeString::ConvertToUCChar() const { return _buffer ? _buffer->Units() : kNoUnits; }

const char* ZELUnicodeString::ConvertToChar() const {
  if (!_narrowValid) {
    _narrow = zelsysts::Utf16ToUtf8(Units());
    _narrowValid = true;
  }
  return _narrow.c_str();
}

const char* ZELUnicodeString::CastToCharPtr() const { return ConvertToChar(); }

ZELUnicodeString& ZELUnicodeString::BuildFromNum(const char* format, int value) {
  char buffer[128];
  PutUtf8(0, buffer, Format(buffer, format, "di", value));
  return *this;
}

ZELUnicodeString& ZELUnicodeString::BuildFromNum(const char* format, unsigned int value) {
  char buffer[128];
  PutUtf8(0, buffer, Format(buffer, format, "uxXo", value));
  return *this;
}

ZELUnicodeString& ZELUnicodeString::BuildFromNum(const char* format, double value) {
  char buffer[128];
  PutUtf8(0, buffer, Format(buffer, format, "gGfFeE", value));
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
  const std::u16string_view units = Units();
  if (start < 0 || length < 1 || static_cast<size_t>(start) >= units.size()) return result;
  result.Assign(units.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
  return result;
}

int ZELUnicodeString::Compare(const ZELUnicodeString& other) const {
  int c = Units().compare(other.Units());
  return c == 0 ? 2 : (c < 0 ? 1 : 3);
}

ZELUnicodeString& ZELUnicodeString::ToLower() {
  const size_t size = static_cast<size_t>(GetLengthInChar());
  if (size == 0) return *this;
  Reshape(size, size, size, std::u16string_view());  // a buffer of its own
  char16_t* units = _buffer->Units();
  for (size_t i = 0; i < size; ++i) {
    char16_t& u = units[i];
    if ((u >= u'A' && u <= u'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) u = static_cast<char16_t>(u + 32);
  }
  return *this;
}

int ZELUnicodeString::ReplaceAll(const ZELUnicodeString& from, const ZELUnicodeString& to) {
  const std::u16string pattern(from.Units());  // `from` or `to` may be *this.
  if (pattern.empty()) return 0;
  const std::u16string replacement(to.Units());
  const std::u16string_view units = Units();
  std::u16string out;
  int count = 0;
  size_t pos = 0;
  for (;;) {
    size_t hit = units.find(pattern, pos);
    if (hit == std::u16string_view::npos) break;
    out.append(units.substr(pos, hit - pos));
    out += replacement;
    pos = hit + pattern.size();
    ++count;
  }
  if (count) {
    out.append(units.substr(pos));
    Assign(out);
  }
  return count;
}

int ZELUnicodeString::SearchSubString(const ZELUnicodeString& text, int start, int mode) const {
  const std::u16string_view units = Units();
  if (start < 0 || static_cast<size_t>(start) > units.size()) return -1;
  size_t hit;
  if (mode == 0) {
    hit = units.rfind(text.Units());
    if (hit != std::u16string_view::npos && hit < static_cast<size_t>(start)) hit = std::u16string_view::npos;
  } else {
    hit = units.find(text.Units(), static_cast<size_t>(start));
  }
  return hit == std::u16string_view::npos ? -1 : static_cast<int>(hit);
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
