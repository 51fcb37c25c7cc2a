// ZELRTCWebRTCSDPReceivedNotification: a session description (SDP text) has
// arrived from a partner of a WebRTC call. The text is passed through as it
// arrived.
//
// Build layout (version 2 or later, exactly 7 parameters):
//   0 user login (string), 1 user id (string), 2 room id (string),
//   3 caller (boolean), 4 renegotiating (boolean), 5 second switch (boolean),
//   6 SDP text (string).
//
// Everything is held by value; getters hand out copies.
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCWebRTCSDPReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCWebRTCSDPReceivedNotification)

 public:
  ZELRTCWebRTCSDPReceivedNotification() = default;
  ZELRTCWebRTCSDPReceivedNotification(const ZELRTCWebRTCSDPReceivedNotification&) = default;
  ZELRTCWebRTCSDPReceivedNotification& operator=(const ZELRTCWebRTCSDPReceivedNotification&) = default;
  ~ZELRTCWebRTCSDPReceivedNotification() override;

  ZELUnicodeString GetUserLogin() { return _userLogin; }
  ZELUnicodeString GetUserId() { return _userId; }
  ZELUnicodeString GetRoomId() { return _roomId; }
  unsigned char GetIsCaller() { return _isCaller; }
  unsigned char GetIsRenegotiating() { return _isRenegotiating; }
  unsigned char GetIsSecondSwitch() { return _isSecondSwitch; }
  ZELUnicodeString GetSDP() { return _sdp; }

 private:
  ZELUnicodeString _userLogin;
  ZELUnicodeString _userId;
  ZELUnicodeString _roomId;
  unsigned char _isCaller = 0;
  unsigned char _isRenegotiating = 0;
  unsigned char _isSecondSwitch = 0;
  ZELUnicodeString _sdp;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCWebRTCSDPReceivedNotification)
