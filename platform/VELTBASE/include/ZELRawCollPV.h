// ZELRawCollPV: a list of untyped pointers, positions from 1. It never owns or
// frees what the pointers designate.
#pragma once

#include "VELTBASEExport.h"
#include "ZELCollection.h"

class VELTBASE_API ZELRawCollPV : public ZELCollection<void*> {
 public:
  explicit ZELRawCollPV(int initialCapacity = 0) : ZELCollection<void*>(initialCapacity) {}
  ZELRawCollPV(const ZELRawCollPV&) = default;
  ZELRawCollPV& operator=(const ZELRawCollPV&) = default;
  ~ZELRawCollPV() override;
};
