// ZELRTCMeetingAvailableNotification: a meeting has become available.
//
// Build layout (any version, exactly 2 parameters):
//   0 meeting id (string), 1 meeting URL (string).
//
// Everything is held by value; getters hand out copies.
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCMeetingAvailableNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCMeetingAvailableNotification)

 public:
  ZELRTCMeetingAvailableNotification() = default;
  ZELRTCMeetingAvailableNotification(const ZELRTCMeetingAvailableNotification&) = default;
  ZELRTCMeetingAvailableNotification& operator=(const ZELRTCMeetingAvailableNotification&) = default;
  ~ZELRTCMeetingAvailableNotification() override;

  ZELUnicodeString GetMeetingId() { return _meetingId; }
  ZELUnicodeString GetMeetingURL() { return _meetingURL; }

 private:
  ZELUnicodeString _meetingId;
  ZELUnicodeString _meetingURL;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCMeetingAvailableNotification)
