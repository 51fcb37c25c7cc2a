// ZELTestParams: owns the parameters of one Build call and hands out the array.
//
//   ZELTestParams p;
//   p.Add(ZELUnicodeString("alice")).Add(7).AddNull();
//   ZELRTCNotificationBuilder::Build(&n, p.data(), p.size(), 2);
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

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
};

inline std::string ZELNarrow(const ZELUnicodeString& s) { return s.ConvertToChar(); }
