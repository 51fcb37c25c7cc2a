// ZELRTCUserStatusChangedNotification: the users whose presence changed.
//
// The notification holds one reference on each user of its list; GetUsers
// gives the caller references of its own, and the destructor gives back the
// notification's.
//
// Build layout (any version, exactly 1 parameter): 0 users (user list).
#pragma once

#include "ZELListPtrZELIRTCUser.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"

class ZELRTCITF_API ZELRTCUserStatusChangedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCUserStatusChangedNotification)

 public:
  ZELRTCUserStatusChangedNotification() = default;
  ZELRTCUserStatusChangedNotification(const ZELRTCUserStatusChangedNotification&) = default;
  ZELRTCUserStatusChangedNotification& operator=(const ZELRTCUserStatusChangedNotification&) = default;
  ~ZELRTCUserStatusChangedNotification() override;

  // Gives back what oList held, then fills it with the users, one AddRef each. S_OK.
  HRESULT GetUsers(ZELListPtrZELIRTCUser& oList);

 private:
  ZELRTCOwnedList<ZELListPtrZELIRTCUser> _users;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCUserStatusChangedNotification)
