// ZELIRTCUser: a user as a collaboration driver knows it (implemented by the
// drivers). Reference counted: whoever receives a ZELIRTCUser* from an
// operation of this library owns one reference and gives it back with Release.
#pragma once

#include "ZELPlatformTypes.h"
#include "ZELUnicodeString.h"

// The presence state of a user.
enum ZelRTCUserStatus : int {
  ZelRTCStatusActive = 0,
  ZelRTCStatusAway = 1,
  ZelRTCStatusDND = 2,
  ZelRTCStatusIdle = 3,
  ZelRTCStatusOnThePhone = 4,
  ZelRTCStatusOffline = 5,
  ZelRTCStatusUnknown = 6
};

// The operations stand in this order in the interface.
class ZELIRTCUser {
 public:
  virtual HRESULT QueryInterface(const GUID& iid, void** oInterface) = 0;
  virtual unsigned long AddRef() = 0;
  virtual unsigned long Release() = 0;
  // The identifier of the main session that reported this user.
  virtual int GetSessionId() = 0;
  // Sets oIsLogged to 1 when this is the user logged in on that session.
  virtual HRESULT IsLoggedUser(unsigned char& oIsLogged) = 0;
  // The user's identifier (login or address), display name and directory name.
  virtual ZELUnicodeString GetIdentifier() = 0;
  virtual ZELUnicodeString GetName() = 0;
  virtual ZELUnicodeString GetDn() = 0;
  // The free text that goes with the presence state.
  virtual ZELUnicodeString GetStatusDescription() = 0;
  virtual ZelRTCUserStatus GetStatus() = 0;

 protected:
  ~ZELIRTCUser() = default;
};
