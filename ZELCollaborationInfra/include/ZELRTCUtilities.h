// ZELRTCUtilities: the reference-taking copy and the releasing empty of the
// interface lists, and SIP address preparation.
#pragma once

#include "ZELListPtrZELIRTCGroup.h"
#include "ZELListPtrZELIRTCMainSession.h"
#include "ZELListPtrZELIRTCUser.h"
#include "ZELRTCItfExport.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCUtilities {
 public:
  // Releases what `dst` held and empties it, then appends every non-null
  // element of `src` with one AddRef each. Copying a list onto itself empties it.
  static void Copy(const ZELListPtrZELIRTCUser& src, ZELListPtrZELIRTCUser& dst);
  static void Copy(const ZELListPtrZELIRTCGroup& src, ZELListPtrZELIRTCGroup& dst);
  static void Copy(const ZELListPtrZELIRTCMainSession& src, ZELListPtrZELIRTCMainSession& dst);

  // Releases every non-null element once, then empties the list.
  static void Release(ZELListPtrZELIRTCUser& list);
  static void Release(ZELListPtrZELIRTCGroup& list);
  static void Release(ZELListPtrZELIRTCMainSession& list);

  // The address in lower case without blanks, with "sip:" in front unless it
  // already holds "sip:" somewhere.
  static ZELUnicodeString PrepareSipUri(const ZELUnicodeString& address);

  ZELRTCUtilities& operator=(const ZELRTCUtilities&) { return *this; }
};
