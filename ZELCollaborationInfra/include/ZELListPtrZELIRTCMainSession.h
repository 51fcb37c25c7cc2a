// ZELListPtrZELIRTCMainSession: a list of ZELIRTCMainSession pointers, positions from 1. It
// takes no references of its own (see ZELListPtr.h).
#pragma once

#include "ZELIRTCMainSession.h"
#include "ZELListPtr.h"
#include "ZELRTCItfExport.h"

class ZELRTCITF_API ZELListPtrZELIRTCMainSession : public ZELListPtr<ZELIRTCMainSession> {
 public:
  explicit ZELListPtrZELIRTCMainSession(int initialCapacity = 0) : ZELListPtr<ZELIRTCMainSession>(initialCapacity) {}
  ZELListPtrZELIRTCMainSession(const ZELListPtrZELIRTCMainSession& other) = default;
  ZELListPtrZELIRTCMainSession& operator=(const ZELListPtrZELIRTCMainSession& other) = default;
  ~ZELListPtrZELIRTCMainSession() override;
};
