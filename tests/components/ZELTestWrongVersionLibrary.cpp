// A component library of a later descriptor version, whose layout the host
// must not trust.
#include "ZELBaseUnknown.h"
#include "ZELCreateExternalObject.h"

namespace {
ZELBaseUnknown* Create(void*) { return new ZELBaseUnknown; }
const ZELComponentClass kClasses[] = {{"ZELRTCMainSessionImpl", &Create}};
}  // namespace

extern "C" __attribute__((visibility("default"))) const ZELComponentLibrary* ZELGetComponentLibrary() {
  static const ZELComponentLibrary library = {ZEL_COMPONENT_LIBRARY_MAGIC,
                                              ZEL_COMPONENT_LIBRARY_VERSION + 1,
                                              sizeof(ZELComponentLibrary),
                                              "ZELRTCMsgLayer",
                                              1,
                                              kClasses};
  return &library;
}
