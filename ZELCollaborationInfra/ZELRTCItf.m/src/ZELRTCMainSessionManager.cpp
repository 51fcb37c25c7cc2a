// The main session manager and its registry.
#include "ZELRTCMainSessionManager.h"

#include <cstring>
#include <new>

#include "ZELBaseUnknown.h"
#include "ZELCreateExternalObject.h"
#include "ZELProcessServices.h"
#include "ZELRTCEnvironment.h"
#include "ZELRTCTracedMethod.h"
#include "ZELRTCUtilities.h"

namespace {

// Where a driver check failure is reported from: fixed, so that crash reports
// keep matching whatever moves in this file.
const char kSourcePath[] = "ZELCollaborationInfra/ZELRTCItf.m/src/ZELRTCMainSessionManager";
constexpr int kDriverCheckLine = 32;
const char kDriverCheckText[] =
    "AssertionFailed:(iSessionDriver == ZelRTCSametimeDriver) || (iSessionDriver == ZelRTCMSLiveDriver) || "
    "(iSessionDriver == ZelRTCP2PDriver) || (iSessionDriver == ZelRTCUCCPDriver) || "
    "(iSessionDriver == ZelRTCXMPPJavaDriver) || (iSessionDriver == ZelRTCXMPPIOSDriver) || "
    "(iSessionDriver == ZelRTCLyncDriver) || (iSessionDriver == ZelRTCNodejsDriver)";

// Test mode: the texts of "ZELRTCDriver" that replace the requested driver, in
// the order they are compared.
struct DriverText {
  const char* text;
  ZelRTCDriver driver;
};
constexpr DriverText kTestModeDrivers[] = {{"P2P", ZelRTCP2PDriver},        {"ST", ZelRTCSametimeDriver},
                                           {"MS", ZelRTCMSLiveDriver},      {"UCCP", ZelRTCUCCPDriver},
                                           {"LYNC", ZelRTCLyncDriver},      {"NODEJS", ZelRTCNodejsDriver},
                                           {"XMPPJ", ZelRTCXMPPJavaDriver}, {"XMPPJava", ZelRTCXMPPJavaDriver}};

bool IsValidDriver(int driver) { return driver >= 0 && driver <= 8 && driver != 4; }

// The driver the session component is asked for.
int EffectiveDriver(ZelRTCDriver requested) {
  int driver = requested;
  if (ZELRTCEnvironment::IsMSLiveDriver()) driver = ZelRTCMSLiveDriver;
  const char* named = ZELGetEnv("HBX_ODT_IN") ? ZELGetEnv("ZELRTCDriver") : nullptr;
  if (named) {
    for (const DriverText& d : kTestModeDrivers) {
      if (std::strcmp(named, d.text) == 0) {
        driver = d.driver;
        break;
      }
    }
  }
  return driver;
}

// The first non-null registered session that `matches`, or null.
template <class Match>
ZELIRTCMainSession* Find(const ZELListPtrZELIRTCMainSession* sessions, Match matches) {
  if (!sessions) return nullptr;
  for (int position = 1; position <= sessions->Size(); ++position) {
    ZELIRTCMainSession* session = (*sessions)[position];
    if (session && matches(session)) return session;
  }
  return nullptr;
}

}  // namespace

ZELListPtrZELIRTCMainSession* ZELRTCMainSessionManager::_pSessions = nullptr;

HRESULT ZELRTCMainSessionManager::CreateSession(ZelRTCDriver driver, ZELIRTCMainSession*& oSession) {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCMainSessionManager::CreateSession", "driver=%d",
                           static_cast<int>(driver));
  if (!IsValidDriver(driver)) {
    ZELFatalError(kDriverCheckText, nullptr, nullptr, nullptr, kSourcePath, kDriverCheckLine);
  }
  oSession = nullptr;

  int effective = EffectiveDriver(driver);
  ZELBaseUnknown* component = ZELCreateExternalObject("ZELRTCMainSessionImpl", nullptr, "ZELRTCMsgLayer", &effective);
  if (!component) return E_FAIL;

  HRESULT hr = component->QueryInterface(IID_ZELIRTCMainSession, reinterpret_cast<void**>(&oSession));
  if (SUCCEEDED(hr) && oSession) {
    if (!_pSessions) {
      _pSessions = new (std::nothrow) ZELListPtrZELIRTCMainSession(0);
      if (_pSessions) ZELCallOnExit(&ZELRTCMainSessionManager::_AtExit, 3);
    }
    if (_pSessions) {
      oSession->AddRef();
      _pSessions->Append(oSession);
    } else {
      // No registry: the session is given back rather than handed out unregistered.
      oSession->Release();
      oSession = nullptr;
      hr = E_OUTOFMEMORY;
    }
  }
  component->Release();
  return hr;
}

HRESULT ZELRTCMainSessionManager::GetSingleSession(ZelRTCDriver driver, ZELIRTCMainSession*& oSession) {
  oSession = nullptr;
  if (ZELIRTCMainSession* found =
          Find(_pSessions, [driver](ZELIRTCMainSession* s) { return s->GetDriver() == driver; })) {
    found->AddRef();
    oSession = found;
    return S_OK;
  }
  return CreateSession(driver, oSession);
}

HRESULT ZELRTCMainSessionManager::GetSession(int id, ZELIRTCMainSession*& oSession) {
  oSession = nullptr;
  ZELIRTCMainSession* found = Find(_pSessions, [id](ZELIRTCMainSession* s) { return s->GetSessionId() == id; });
  if (!found) return E_FAIL;
  found->AddRef();
  oSession = found;
  return S_OK;
}

HRESULT ZELRTCMainSessionManager::GetOpenSessions(ZELListPtrZELIRTCMainSession& oList) {
  oList.RemoveAll(ZELCollec::FreeMemory);
  if (_pSessions) ZELRTCUtilities::Copy(*_pSessions, oList);
  return S_OK;
}

HRESULT ZELRTCMainSessionManager::RemoveSession(int id) {
  if (!_pSessions) return E_FAIL;
  for (int position = 1; position <= _pSessions->Size(); ++position) {
    ZELIRTCMainSession* session = (*_pSessions)[position];
    if (session && session->GetSessionId() == id) {
      _pSessions->RemovePosition(position);
      session->Release();
      return S_OK;
    }
  }
  return E_FAIL;
}

int ZELRTCMainSessionManager::_AtExit(int) {
  if (_pSessions) {
    ZELRTCUtilities::Release(*_pSessions);
    delete _pSessions;
    _pSessions = nullptr;
  }
  return 0;
}
