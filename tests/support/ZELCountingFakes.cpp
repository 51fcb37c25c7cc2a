#include "ZELCountingFakes.h"

#include <cstdio>

void (*ZELFakeImbalanceHandler)(const std::string& what, long refs) = nullptr;

ZELFakeCounter::~ZELFakeCounter() {
  if (!checkBalance || refs == 1) return;
  if (ZELFakeImbalanceHandler) {
    ZELFakeImbalanceHandler(_what, refs);
  } else {
    std::fprintf(stderr, "%s destroyed with %ld references (expected 1)\n", _what.c_str(), refs);
  }
}
