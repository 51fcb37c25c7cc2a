// ZELRTCMainSessionManager: how a client obtains the main collaboration session
// of a driver. Static only.
//
// Sessions are made by the session component "ZELRTCMainSessionImpl" of the
// component library "ZELRTCMsgLayer", which receives the driver number, and
// are kept in a process-wide registry in order of creation. The registry holds
// one reference per session, given back by RemoveSession or at process exit;
// every session handed to a caller carries one reference of the caller's own.
// Callers use the manager from one thread at a time.
#pragma once

#include "ZELIRTCMainSession.h"
#include "ZELListPtrZELIRTCMainSession.h"
#include "ZELPlatformTypes.h"
#include "ZELRTCItfExport.h"

class ZELRTCITF_API ZELRTCMainSessionManager {
 public:
  // A new session of `driver` in oSession, registered. The driver must be a
  // ZelRTCDriver value (anything else is reported to ZELFatalError). "ZELMSLive"
  // makes every session an MSLive one; with "HBX_ODT_IN" set, a driver named
  // by "ZELRTCDriver" replaces the requested one. Result: S_OK; E_FAIL when the
  // component cannot be made; or the component's answer to the session
  // interface, registering nothing unless it succeeds with a session.
  static HRESULT CreateSession(ZelRTCDriver driver, ZELIRTCMainSession*& oSession);
  // The first registered session whose GetDriver() is `driver`, else a new
  // one as by CreateSession.
  static HRESULT GetSingleSession(ZelRTCDriver driver, ZELIRTCMainSession*& oSession);
  // The registered session with identifier `id`; S_OK, or E_FAIL.
  static HRESULT GetSession(int id, ZELIRTCMainSession*& oSession);
  // Empties oList without releasing what it held, then fills it with every
  // registered session, one reference each. Always S_OK.
  static HRESULT GetOpenSessions(ZELListPtrZELIRTCMainSession& oList);
  // Unregisters the session with identifier `id` and gives back the
  // registry's reference; S_OK, or E_FAIL when it is not registered.
  static HRESULT RemoveSession(int id);

  ZELRTCMainSessionManager& operator=(const ZELRTCMainSessionManager&) { return *this; }

 private:
  // The exit handler: gives back the registry's references, deletes it.
  static int _AtExit(int);

  static ZELListPtrZELIRTCMainSession* _pSessions;  // null until the first registration
};
