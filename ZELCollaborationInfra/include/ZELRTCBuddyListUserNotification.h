// ZELRTCBuddyListUserNotification: an event on one user of the contact list.
//
// The notification holds one reference on its user; GetUser gives the caller a
// reference of its own. Build gives back the user held before, first of all,
// so a refused Build leaves no user; the destructor gives it back before the
// strings go.
//
// Build layout (any version, exactly 5 parameters):
//   0 event type (int), 1 user, 2 user id, 3 group id, 4 new name (strings).
#pragma once

#include "ZELIRTCUser.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The events on a user of the contact list; the drivers give their values.
enum ZelRTCBuddyListUserEventType : int {};

class ZELRTCITF_API ZELRTCBuddyListUserNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCBuddyListUserNotification)

 public:
  ZELRTCBuddyListUserNotification() = default;
  ZELRTCBuddyListUserNotification(const ZELRTCBuddyListUserNotification&) = default;
  ZELRTCBuddyListUserNotification& operator=(const ZELRTCBuddyListUserNotification&) = default;
  ~ZELRTCBuddyListUserNotification() override;

  ZelRTCBuddyListUserEventType GetEventType() { return _eventType; }
  // The user with one AddRef for the caller, or null.
  ZELIRTCUser* GetUser() { return _user.GetWithRef(); }
  ZELUnicodeString GetUserId() { return _userId; }
  ZELUnicodeString GetGroupId() { return _groupId; }
  ZELUnicodeString GetNewName() { return _newName; }

 private:
  ZelRTCBuddyListUserEventType _eventType{};
  ZELRTCInterfaceRef<ZELIRTCUser> _user;
  ZELUnicodeString _userId;
  ZELUnicodeString _groupId;
  ZELUnicodeString _newName;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCBuddyListUserNotification)
