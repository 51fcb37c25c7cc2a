// ZELRTCLoginNotification: a login event of a collaboration driver (its type,
// the host, the logged user and a reason code).
//
// Ownership: the notification holds one reference to its user. The public
// constructor and Build take it, a copy takes one of its own, an assignment
// takes the new one before it gives back the old one, and destruction gives it
// back. GetUser() hands out a further reference, which the caller releases.
//
// Build layout (any version, exactly 4 parameters):
//   0 event type (int), 1 host (string), 2 user (user), 3 reason (int).
// Build gives back the user it held before it looks at anything else, so a
// rejected Build leaves the notification without a user.
#pragma once

#include "ZELIRTCUser.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The kind of login event. Drivers give the values; this library only stores
// and returns them.
enum ZelRTCLoginEventType : int {};

class ZELRTCITF_API ZELRTCLoginNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCLoginNotification)

 public:
  ZELRTCLoginNotification() = default;
  // A complete notification; takes a reference to `user` when it is not null.
  ZELRTCLoginNotification(ZelRTCLoginEventType type, const ZELUnicodeString& host, ZELIRTCUser* user, int reason);
  ZELRTCLoginNotification(const ZELRTCLoginNotification&) = default;
  ZELRTCLoginNotification& operator=(const ZELRTCLoginNotification&) = default;
  ~ZELRTCLoginNotification() override;

  ZelRTCLoginEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetHost() { return _host; }
  // The user with a new reference for the caller, or null.
  ZELIRTCUser* GetUser() { return _user.GetWithRef(); }
  int GetReason() { return _reason; }

 private:
  ZelRTCLoginEventType _eventType{};
  ZELUnicodeString _host;
  ZELRTCInterfaceRef<ZELIRTCUser> _user;
  int _reason = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCLoginNotification)
