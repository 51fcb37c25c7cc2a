// ZELRTCMyStatusChangedNotification: the logged user's own presence state and
// its description. It holds no interface.
//
// Build layout (any version, exactly 2 parameters):
//   0 status (int, a ZelRTCUserStatus), 1 status description (string).
#pragma once

#include "ZELIRTCUser.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCMyStatusChangedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCMyStatusChangedNotification)

 public:
  ZELRTCMyStatusChangedNotification() = default;
  ZELRTCMyStatusChangedNotification(const ZELRTCMyStatusChangedNotification&) = default;
  ZELRTCMyStatusChangedNotification& operator=(const ZELRTCMyStatusChangedNotification&) = default;
  ~ZELRTCMyStatusChangedNotification() override;

  // The state as the driver gave it, without a range check.
  ZelRTCUserStatus GetStatus() { return _status; }
  ZELUnicodeString GetStatusDescription() { return _statusDescription; }

 private:
  ZelRTCUserStatus _status{};
  ZELUnicodeString _statusDescription;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCMyStatusChangedNotification)
