// ZELRTCMeetingInvitationReceivedNotification: an invitation to a meeting has
// arrived, with the meeting, its sender, the invitation text and the meeting
// type (0 on a new notification).
//
// Build layout (any version, exactly 6 parameters):
//   0 meeting id, 1 meeting name, 2 sender id, 3 sender name, 4 invitation
//   text (strings), 5 meeting type (int).
//
// Everything is held by value; getters hand out copies.
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCMeetingInvitationReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCMeetingInvitationReceivedNotification)

 public:
  ZELRTCMeetingInvitationReceivedNotification() = default;
  ZELRTCMeetingInvitationReceivedNotification(const ZELRTCMeetingInvitationReceivedNotification&) = default;
  ZELRTCMeetingInvitationReceivedNotification& operator=(const ZELRTCMeetingInvitationReceivedNotification&) = default;
  ~ZELRTCMeetingInvitationReceivedNotification() override;

  ZELUnicodeString GetMeetingId() { return _meetingId; }
  ZELUnicodeString GetMeetingName() { return _meetingName; }
  ZELUnicodeString GetSenderId() { return _senderId; }
  ZELUnicodeString GetSenderName() { return _senderName; }
  ZELUnicodeString GetInvitationMsg() { return _invitationMsg; }
  int GetMeetingType() { return _meetingType; }

 private:
  ZELUnicodeString _meetingId;
  ZELUnicodeString _meetingName;
  ZELUnicodeString _senderId;
  ZELUnicodeString _senderName;
  ZELUnicodeString _invitationMsg;
  int _meetingType = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCMeetingInvitationReceivedNotification)
