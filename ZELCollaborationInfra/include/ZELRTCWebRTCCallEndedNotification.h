// ZELRTCWebRTCCallEndedNotification: a WebRTC call has ended, with the reason.
//
// Build layout (version 2 or later, exactly 3 parameters):
//   0 user id (string), 1 room id (string), 2 reason (string).
//
// Everything is held by value; getters hand out copies.
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCWebRTCCallEndedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCWebRTCCallEndedNotification)

 public:
  ZELRTCWebRTCCallEndedNotification() = default;
  ZELRTCWebRTCCallEndedNotification(const ZELRTCWebRTCCallEndedNotification&) = default;
  ZELRTCWebRTCCallEndedNotification& operator=(const ZELRTCWebRTCCallEndedNotification&) = default;
  ~ZELRTCWebRTCCallEndedNotification() override;

  ZELUnicodeString GetUserId() { return _userId; }
  ZELUnicodeString GetRoomId() { return _roomId; }
  ZELUnicodeString GetReason() { return _reason; }

 private:
  ZELUnicodeString _userId;
  ZELUnicodeString _roomId;
  ZELUnicodeString _reason;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCWebRTCCallEndedNotification)
