// ZELListPtrZELIRTCUser: a list of ZELIRTCUser pointers, positions from 1. It
// takes no references of its own (see ZELListPtr.h).
#pragma once

#include "ZELIRTCUser.h"
#include "ZELListPtr.h"
#include "ZELRTCItfExport.h"

class ZELRTCITF_API ZELListPtrZELIRTCUser : public ZELListPtr<ZELIRTCUser> {
 public:
  explicit ZELListPtrZELIRTCUser(int initialCapacity = 0) : ZELListPtr<ZELIRTCUser>(initialCapacity) {}
  ZELListPtrZELIRTCUser(const ZELListPtrZELIRTCUser& other) = default;
  ZELListPtrZELIRTCUser& operator=(const ZELListPtrZELIRTCUser& other) = default;
  ~ZELListPtrZELIRTCUser() override;
};
