// The session component and the entry point of the messaging-layer library.
#include "ZELRTCMainSessionImpl.h"

#include <atomic>

#include "ZELCreateExternalObject.h"

namespace {

std::atomic<int> g_nextSessionId{1};

const ZELInterfaceEntry kInterfaces[] = {
    ZEL_INTERFACE_ENTRY(ZELRTCMainSessionImpl, ZELIRTCMainSession, IID_ZELIRTCMainSession)};

// The creation argument points to the driver number (an int); without it
// nothing is made.
ZELBaseUnknown* CreateMainSession(void* creationArgument) {
  if (!creationArgument) return nullptr;
  auto driver = static_cast<ZelRTCDriver>(*static_cast<const int*>(creationArgument));
  return new ZELRTCMainSessionImpl(driver);  // the class allocator gives null when memory runs out
}

const ZELComponentClass kClasses[] = {{"ZELRTCMainSessionImpl", &CreateMainSession}};

}  // namespace

ZEL_COMPONENT_LIBRARY("ZELRTCMsgLayer", kClasses)

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCMainSessionImpl, ZELBaseUnknown, "ZELnull", "ZELCollaborationInfra")

ZELRTCMainSessionImpl::ZELRTCMainSessionImpl(ZelRTCDriver driver)
    : _sessionId(g_nextSessionId.fetch_add(1, std::memory_order_relaxed)), _driver(driver) {
  SetInterfaceTable(kInterfaces, static_cast<int>(sizeof kInterfaces / sizeof kInterfaces[0]));
}

ZELRTCMainSessionImpl::~ZELRTCMainSessionImpl() = default;

HRESULT ZELRTCMainSessionImpl::QueryInterface(const GUID& iid, void** oInterface) {
  return ZELBaseUnknown::QueryInterface(iid, oInterface);
}
unsigned long ZELRTCMainSessionImpl::AddRef() { return ZELBaseUnknown::AddRef(); }
unsigned long ZELRTCMainSessionImpl::Release() { return ZELBaseUnknown::Release(); }

int ZELRTCMainSessionImpl::GetSessionId() { return _sessionId; }
ZelRTCDriver ZELRTCMainSessionImpl::GetDriver() { return _driver; }
