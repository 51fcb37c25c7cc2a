// ZELRTCWebRTCCallAcceptedNotification: a WebRTC call has been accepted; gives
// the call's type, whether it is an N-way call, whether this side is the
// caller, and the ICE servers to use.
//
// Build layout (version 2 or later, exactly 6 parameters):
//   0 login (string), 1 room id (string), 2 N-way (boolean), 3 call type
//   (string), 4 caller (boolean), 5 ICE servers (string vector, or one string).
//
// Everything is held by value; getters hand out copies.
#pragma once

#include "ZELListValZELUnicodeString.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCWebRTCCallAcceptedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCWebRTCCallAcceptedNotification)

 public:
  ZELRTCWebRTCCallAcceptedNotification() = default;
  ZELRTCWebRTCCallAcceptedNotification(const ZELRTCWebRTCCallAcceptedNotification&) = default;
  ZELRTCWebRTCCallAcceptedNotification& operator=(const ZELRTCWebRTCCallAcceptedNotification&) = default;
  ~ZELRTCWebRTCCallAcceptedNotification() override;

  ZELUnicodeString GetLogin() { return _login; }
  ZELUnicodeString GetRoomId() { return _roomId; }
  unsigned char GetIsNWay() { return _isNWay; }
  ZELUnicodeString GetType() { return _type; }
  unsigned char GetIsCaller() { return _isCaller; }
  ZELListValZELUnicodeString GetIceServers() { return _iceServers; }

 private:
  ZELUnicodeString _login;
  ZELUnicodeString _roomId;
  unsigned char _isNWay = 0;
  ZELUnicodeString _type;
  unsigned char _isCaller = 0;
  ZELListValZELUnicodeString _iceServers;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCWebRTCCallAcceptedNotification)
