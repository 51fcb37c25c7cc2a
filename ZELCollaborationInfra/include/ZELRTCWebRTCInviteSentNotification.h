// ZELRTCWebRTCInviteSentNotification: an invitation to a WebRTC call has been
// sent to a user; carries the error message of the sending.
//
// Build layout (version 2 or later, exactly 5 parameters):
//   0 the invited user (user), 1 room id (string), 2 order id (string),
//   3 whether the call has to be accepted (boolean), 4 error message (string).
//
// Ownership: the notification holds one reference to its user, taken by Build
// and given back by the destructor; a copy takes a reference of its own, an
// assignment takes the new one before giving back the old one. GetRTCUser
// hands the caller a reference of its own. A second Build that reaches
// position 0 gives back the user held before, so nothing leaks.
#pragma once

#include "ZELIRTCUser.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCWebRTCInviteSentNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCWebRTCInviteSentNotification)

 public:
  ZELRTCWebRTCInviteSentNotification() = default;
  ZELRTCWebRTCInviteSentNotification(const ZELRTCWebRTCInviteSentNotification&) = default;
  ZELRTCWebRTCInviteSentNotification& operator=(const ZELRTCWebRTCInviteSentNotification&) = default;
  ~ZELRTCWebRTCInviteSentNotification() override;

  // The user with a reference for the caller, or null.
  ZELIRTCUser* GetRTCUser() { return _user.GetWithRef(); }
  ZELUnicodeString GetRoomId() { return _roomId; }
  ZELUnicodeString GetOrderId() { return _orderId; }
  unsigned char GetDoYouHaveToAccept() { return _doYouHaveToAccept; }
  ZELUnicodeString GetErrorMsg() { return _errorMsg; }

 private:
  ZELRTCInterfaceRef<ZELIRTCUser> _user;
  ZELUnicodeString _roomId;
  ZELUnicodeString _orderId;
  unsigned char _doYouHaveToAccept = 0;
  ZELUnicodeString _errorMsg;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCWebRTCInviteSentNotification)
