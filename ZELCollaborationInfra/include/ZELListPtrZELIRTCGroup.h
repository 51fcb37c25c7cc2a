// ZELListPtrZELIRTCGroup: a list of ZELIRTCGroup pointers, positions from 1. It
// takes no references of its own (see ZELListPtr.h).
#pragma once

#include "ZELIRTCGroup.h"
#include "ZELListPtr.h"
#include "ZELRTCItfExport.h"

class ZELRTCITF_API ZELListPtrZELIRTCGroup : public ZELListPtr<ZELIRTCGroup> {
 public:
  explicit ZELListPtrZELIRTCGroup(int initialCapacity = 0) : ZELListPtr<ZELIRTCGroup>(initialCapacity) {}
  ZELListPtrZELIRTCGroup(const ZELListPtrZELIRTCGroup& other) = default;
  ZELListPtrZELIRTCGroup& operator=(const ZELListPtrZELIRTCGroup& other) = default;
  ~ZELListPtrZELIRTCGroup() override;
};
