// ZELRTCConferenceParticipantNotification: an event about one participant of
// a conference.
//
// Build layout (any version, exactly 4 parameters; not in field order):
//   0 conference URI (string), 1 partner id (string), 2 partner name
//   (string), 3 event type (int, stored unchecked).
//
// Everything is held by value; getters hand out copies.
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The kind of a participant event; the driver's value is kept as it came.
enum ZelRTCConferenceParticipantEventType : int {
  ZelRTCParticipantJoined = 0,
  ZelRTCParticipantLeft = 1,
  ZelRTCParticipantChanged = 2
};

class ZELRTCITF_API ZELRTCConferenceParticipantNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCConferenceParticipantNotification)

 public:
  ZELRTCConferenceParticipantNotification() = default;
  ZELRTCConferenceParticipantNotification(const ZELRTCConferenceParticipantNotification&) = default;
  ZELRTCConferenceParticipantNotification& operator=(const ZELRTCConferenceParticipantNotification&) = default;
  ~ZELRTCConferenceParticipantNotification() override;

  ZelRTCConferenceParticipantEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  ZELUnicodeString GetConferenceURI() { return _conferenceURI; }

 private:
  ZelRTCConferenceParticipantEventType _eventType = ZelRTCParticipantJoined;
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  ZELUnicodeString _conferenceURI;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCConferenceParticipantNotification)
