// ZELIRTCMainSession: the main collaboration session of a driver, implemented
// by the session component and obtained through ZELRTCMainSessionManager.
#pragma once

#include "ZELPlatformTypes.h"

// The collaboration back end a session runs on (4 is no driver).
enum ZelRTCDriver : int {
  ZelRTCSametimeDriver = 0,
  ZelRTCMSLiveDriver = 1,
  ZelRTCP2PDriver = 2,
  ZelRTCUCCPDriver = 3,
  ZelRTCXMPPJavaDriver = 5,
  ZelRTCXMPPIOSDriver = 6,
  ZelRTCLyncDriver = 7,
  ZelRTCNodejsDriver = 8
};

// {9A59CFBA-1DBB-44E2-BB47-ADE30BA9E36B}
constexpr GUID IID_ZELIRTCMainSession = {0x9A59CFBA, 0x1DBB, 0x44E2, {0xBB, 0x47, 0xAD, 0xE3, 0x0B, 0xA9, 0xE3, 0x6B}};

// The operations stand in this order in the interface.
class ZELIRTCMainSession {
 public:
  virtual HRESULT QueryInterface(const GUID& iid, void** oInterface) = 0;
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;
  // The session's identifier, unique in the process.
  virtual int GetSessionId() = 0;
  virtual ZelRTCDriver GetDriver() = 0;

 protected:
  ~ZELIRTCMainSession() = default;
};
