// ZELTestParams: owns the parameters of one Build call and hands out the array.
//
//   ZELTestParams p;
//   p.Add(ZELUnicodeString("alice")).Add(7).AddNull();
//   p.Build(&n, 2);  // all of them, with version 2
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCParam.h"

struct ZELTestParams {
  std::vector<std::unique_ptr<ZELRTCParam>> owned;
  std::vector<ZELRTCParam*> array;

  template <class... T>
  ZELTestParams& Add(T&&... args) {
    owned.emplace_back(new ZELRTCParam(std::forward<T>(args)...));
    array.push_back(owned.back().get());
    return *this;
  }
  ZELTestParams& Str(const char* text) { return Add(ZELUnicodeString(text)); }
  ZELTestParams& Bool(unsigned char value) { return Add(value); }
  ZELTestParams& AddNull() {
    array.push_back(nullptr);
    return *this;
  }
  ZELRTCParam** data() { return array.data(); }
  unsigned int size() const { return static_cast<unsigned int>(array.size()); }
  // Builds `n` from the first `count` parameters (all of them by default).
  HRESULT Build(ZELRTCNotification* n, unsigned short version, int count = -1) {
    return ZELRTCNotificationBuilder::Build(n, data(), count < 0 ? size() : static_cast<unsigned int>(count), version);
  }
};

inline std::string ZELNarrow(const ZELUnicodeString& s) { return s.ConvertToChar(); }

// The values joined with '|', strings narrowed: several getters in one comparison.
inline std::string ZELJoinOne(const ZELUnicodeString& s) { return ZELNarrow(s); }
inline std::string ZELJoinOne(const char* s) { return s ? s : "(null)"; }
inline std::string ZELJoinOne(const std::string& s) { return s; }
template <class T>
std::string ZELJoinOne(T value) {
  return std::to_string(static_cast<long long>(value));
}
template <class... T>
std::string ZELJoin(const T&... values) {
  std::string text;
  bool first = true;
  ((text += (first ? "" : "|") + ZELJoinOne(values), first = false), ...);
  return text;
}
