// ZELUnicodeString: a UTF-16 string value with UTF-8 narrow views.
//
// Narrow texts given to it are UTF-8; ill-formed bytes become U+FFFD. The
// narrow texts it hands out (ConvertToChar, CastToCharPtr) are owned by the
// string and stay valid until the string next changes or is destroyed.
//
// Copies share one immutable buffer of units, counted by references (atomic,
// so copies may live on several threads): copying or assigning a string costs
// no allocation and no unit copy, and assigning a string that already shares
// the buffer costs a comparison. A string that changes while it shares its
// buffer first takes one of its own; one that owns its buffer alone changes
// it in place, growing it geometrically. The empty string holds no buffer.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

#include "ZELSysTSExport.h"
#include "ZELUnicodeChar.h"

class ZELSYSTS_API ZELUnicodeString {
 public:
  ZELUnicodeString() = default;
  ZELUnicodeString(const char* utf8);
  // `length` units, zero units included.
  ZELUnicodeString(const char16_t* units, int length);
  ZELUnicodeString(const ZELUnicodeString& other) : _buffer(other._buffer) { Retain(_buffer); }
  ZELUnicodeString(ZELUnicodeString&& other) noexcept : _buffer(other._buffer) {
    other._buffer = nullptr;
    other.Invalidate();
  }
  // `count` copies of one character (none for a count below 1).
  ZELUnicodeString(const ZELUnicodeChar& c, int count);
  ~ZELUnicodeString() { Drop(_buffer); }

  // Shares the other's buffer; nothing to do when it already does.
  ZELUnicodeString& operator=(const ZELUnicodeString& other) {
    if (_buffer != other._buffer) {
      Retain(other._buffer);
      Drop(_buffer);
      _buffer = other._buffer;
      Invalidate();
    }
    return *this;
  }
  ZELUnicodeString& operator=(ZELUnicodeString&& other) noexcept {
    if (this != &other) {
      Drop(_buffer);
      _buffer = other._buffer;
      other._buffer = nullptr;
      Invalidate();
      other.Invalidate();
    }
    return *this;
  }
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
  int GetLengthInChar() const { return _buffer ? static_cast<int>(_buffer->size) : 0; }
  bool IsEmpty() const { return GetLengthInChar() == 0; }

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

  bool operator==(const ZELUnicodeString& other) const { return Units() == other.Units(); }
  bool operator!=(const ZELUnicodeString& other) const { return Units() != other.Units(); }

  // The UTF-16 contents, valid until the string next changes or is destroyed.
  std::u16string_view Units() const {
    return _buffer ? std::u16string_view(_buffer->Units(), _buffer->size) : std::u16string_view();
  }

 private:
  // A buffer of units: `capacity` units and a zero unit follow the header.
  struct Buffer {
    std::atomic<int> references;
    size_t size;
    size_t capacity;
    char16_t* Units() { return reinterpret_cast<char16_t*>(this + 1); }
  };
  static void Retain(Buffer* buffer) {
    if (buffer) buffer->references.fetch_add(1, std::memory_order_relaxed);
  }
  static void Drop(Buffer* buffer) {
    if (buffer && buffer->references.fetch_sub(1, std::memory_order_acq_rel) == 1) Free(buffer);
  }
  static void Free(Buffer* buffer);

  void Invalidate() { _narrowValid = false; }
  // Makes the contents `units`, which may lie in this string's own buffer.
  void Assign(std::u16string_view units);
  // Appends `units`, which may lie in this string's own buffer.
  void AppendUnits(std::u16string_view units);
  // Makes the contents the first `keep` units of the current ones followed by
  // `extra` (which may lie in the current buffer), in a buffer this string
  // owns alone.
  // In place when this string owns a buffer of at least `needed` units alone;
  // otherwise the new buffer holds max(needed, reserve) units.
  void Reshape(size_t needed, size_t reserve, size_t keep, std::u16string_view extra);
  // Keeps the first `keep` units and appends the UTF-8 `text` of `length` bytes.
  void PutUtf8(size_t keep, const char* text, size_t length);

  Buffer* _buffer = nullptr;
  mutable std::string _narrow;
  mutable bool _narrowValid = false;
};

ZELSYSTS_API ZELUnicodeString operator+(const char* left, const ZELUnicodeString& right);
ZELSYSTS_API ZELUnicodeString operator+(const ZELUnicodeString& left, const ZELUnicodeString& right);
ZELSYSTS_API ZELUnicodeString operator+(const ZELUnicodeString& left, const char* right);
