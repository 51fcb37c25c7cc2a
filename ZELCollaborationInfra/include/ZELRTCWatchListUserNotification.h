// ZELRTCWatchListUserNotification: an event on one user of a watch list.
//
// The notification holds one reference on its user; GetUser gives the caller a
// reference of its own. Build gives back the user held before, first of all,
// so a refused Build leaves no user; the destructor gives it back before the
// strings go.
//
// Build layout (any version, exactly 4 parameters):
//   0 event type (int), 1 user, 2 user id, 3 watch-list id (strings).
#pragma once

#include "ZELIRTCUser.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The events on a user of a watch list; the drivers give their values.
enum ZelRTCWatchListUserEventType : int {};

class ZELRTCITF_API ZELRTCWatchListUserNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCWatchListUserNotification)

 public:
  ZELRTCWatchListUserNotification() = default;
  ZELRTCWatchListUserNotification(const ZELRTCWatchListUserNotification&) = default;
  ZELRTCWatchListUserNotification& operator=(const ZELRTCWatchListUserNotification&) = default;
  ~ZELRTCWatchListUserNotification() override;

  ZelRTCWatchListUserEventType GetEventType() { return _eventType; }
  // The user with one AddRef for the caller, or null.
  ZELIRTCUser* GetUser() { return _user.GetWithRef(); }
  ZELUnicodeString GetUserId() { return _userId; }
  ZELUnicodeString GetWatchListId() { return _watchListId; }

 private:
  ZelRTCWatchListUserEventType _eventType{};
  ZELRTCInterfaceRef<ZELIRTCUser> _user;
  ZELUnicodeString _userId;
  ZELUnicodeString _watchListId;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCWatchListUserNotification)
