// ZELRawCollint: a list of int values, positions from 1.
#pragma once

#include "VELTBASEExport.h"
#include "ZELCollection.h"

class VELTBASE_API ZELRawCollint : public ZELCollection<int> {
 public:
  explicit ZELRawCollint(int initialCapacity = 0) : ZELCollection<int>(initialCapacity) {}
  ZELRawCollint(const ZELRawCollint&) = default;
  ZELRawCollint& operator=(const ZELRawCollint&) = default;
  ~ZELRawCollint() override;
};
