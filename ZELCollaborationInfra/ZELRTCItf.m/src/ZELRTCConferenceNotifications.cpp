// The conference and meeting notifications. None of them looks at the version.
#include "ZELRTCConferenceParticipantListNotification.h"
#include "ZELRTCConferenceParticipantNotification.h"
#include "ZELRTCMeetingAvailableNotification.h"
#include "ZELRTCMeetingInvitationReceivedNotification.h"
#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCConferenceParticipantListNotification)

long ZELRTCConferenceParticipantListNotification::GetParticipantIds(ZELListValZELUnicodeString& oList) {
  oList = _participantIds;
  return S_OK;
}

long ZELRTCConferenceParticipantListNotification::GetParticipantNames(ZELListValZELUnicodeString& oList) {
  oList = _participantNames;
  return S_OK;
}

long ZELRTCConferenceParticipantListNotification::GetParticipantRoles(ZELRawCollint& oList) {
  oList = _participantRoles;
  return S_OK;
}

HRESULT ZELRTCConferenceParticipantListNotification::Build(ZELRTCParam** params, unsigned int count,
                                                           unsigned short version) {
  using Self = ZELRTCConferenceParticipantListNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_conferenceURI>, ZELRTCField<&Self::_participantIds>, ZELRTCField<&Self::_participantNames>,
      ZELRTCField<&Self::_participantRoles>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCConferenceParticipantListNotification::Build", 65, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCConferenceParticipantNotification)

HRESULT ZELRTCConferenceParticipantNotification::Build(ZELRTCParam** params, unsigned int count,
                                                       unsigned short version) {
  using Self = ZELRTCConferenceParticipantNotification;
  // The parameters come in another order than the fields.
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_conferenceURI>,
                                                       ZELRTCField<&Self::_partnerId>, ZELRTCField<&Self::_partnerName>,
                                                       ZELRTCField<&Self::_eventType>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCConferenceParticipantNotification::Build", 47, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCMeetingAvailableNotification)

HRESULT ZELRTCMeetingAvailableNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCMeetingAvailableNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_meetingId>, ZELRTCField<&Self::_meetingURL>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCMeetingAvailableNotification::Build", 39, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCMeetingInvitationReceivedNotification)

HRESULT ZELRTCMeetingInvitationReceivedNotification::Build(ZELRTCParam** params, unsigned int count,
                                                           unsigned short version) {
  using Self = ZELRTCMeetingInvitationReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_meetingId>,  ZELRTCField<&Self::_meetingName>,   ZELRTCField<&Self::_senderId>,
      ZELRTCField<&Self::_senderName>, ZELRTCField<&Self::_invitationMsg>, ZELRTCField<&Self::_meetingType>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCMeetingInvitationReceivedNotification::Build", 48, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
