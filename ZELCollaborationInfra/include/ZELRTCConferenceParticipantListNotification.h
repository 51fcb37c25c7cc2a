// ZELRTCConferenceParticipantListNotification: the participants of a
// conference, as three lists kept as they came: identifiers, names and roles
// (neither paired nor checked for equal length).
//
// Build layout (any version, exactly 4 parameters):
//   0 conference URI (string), 1 participant ids and 2 participant names
//   (string vector, or one string), 3 participant roles (int list).
//
// Everything is held by value; the list getters replace the caller's list.
#pragma once

#include "ZELListValZELUnicodeString.h"
#include "ZELRTCNotification.h"
#include "ZELRawCollint.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCConferenceParticipantListNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCConferenceParticipantListNotification)

 public:
  ZELRTCConferenceParticipantListNotification() = default;
  ZELRTCConferenceParticipantListNotification(const ZELRTCConferenceParticipantListNotification&) = default;
  ZELRTCConferenceParticipantListNotification& operator=(const ZELRTCConferenceParticipantListNotification&) = default;
  ~ZELRTCConferenceParticipantListNotification() override;

  ZELUnicodeString GetConferenceURI() { return _conferenceURI; }
  // Replace oList's contents with the ids, names or roles; always S_OK.
  long GetParticipantIds(ZELListValZELUnicodeString& oList);
  long GetParticipantNames(ZELListValZELUnicodeString& oList);
  long GetParticipantRoles(ZELRawCollint& oList);

 private:
  ZELUnicodeString _conferenceURI;
  ZELListValZELUnicodeString _participantIds;
  ZELListValZELUnicodeString _participantNames;
  ZELRawCollint _participantRoles;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCConferenceParticipantListNotification)
