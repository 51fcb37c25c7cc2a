// A session component that reports on standard output what happens to it:
// "created session <id> with driver <n>" and "final release of session <id>".
// "ZELTestSessionQI" chooses its answer to the session interface: "fail" gives
// E_NOINTERFACE, "null" gives S_OK with a null interface, otherwise the session.
// Classes: "ZELRTCMainSessionImpl", and "ZELTestProbe" (the same) to tell this
// library from the real one.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ZELBaseUnknown.h"
#include "ZELCreateExternalObject.h"
#include "ZELIRTCMainSession.h"

namespace {

std::atomic<int> g_nextId{1};

class ProbeSession : public ZELBaseUnknown, public ZELIRTCMainSession {
 public:
  ProbeSession(int driver) : _id(g_nextId++), _driver(driver) {
    static const ZELInterfaceEntry interfaces[] = {
        ZEL_INTERFACE_ENTRY(ProbeSession, ZELIRTCMainSession, IID_ZELIRTCMainSession)};
    SetInterfaceTable(interfaces, 1);
    std::printf("created session %d with driver %d\n", _id, _driver);
  }
  ~ProbeSession() override {
    std::printf("final release of session %d\n", _id);
    std::fflush(stdout);
  }

  using ZELBaseUnknown::QueryInterface;
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    const char* mode = std::getenv("ZELTestSessionQI");
    if (mode && iid == IID_ZELIRTCMainSession) {
      if (std::strcmp(mode, "fail") == 0) {
        *out = nullptr;
        return E_NOINTERFACE;
      }
      if (std::strcmp(mode, "null") == 0) {
        *out = nullptr;
        return S_OK;
      }
    }
    return ZELBaseUnknown::QueryInterface(iid, out);
  }
  unsigned long AddRef() override { return ZELBaseUnknown::AddRef(); }
  unsigned long Release() override { return ZELBaseUnknown::Release(); }
  int GetSessionId() override { return _id; }
  ZelRTCDriver GetDriver() override { return static_cast<ZelRTCDriver>(_driver); }

 private:
  int _id;
  int _driver;
};

ZELBaseUnknown* Create(void* argument) { return new ProbeSession(argument ? *static_cast<int*>(argument) : -1); }

const ZELComponentClass kClasses[] = {{"ZELRTCMainSessionImpl", &Create}, {"ZELTestProbe", &Create}};

}  // namespace

ZEL_COMPONENT_LIBRARY(ZEL_TEST_LIBRARY_NAME, kClasses)
