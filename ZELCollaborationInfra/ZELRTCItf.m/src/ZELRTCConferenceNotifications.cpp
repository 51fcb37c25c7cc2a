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

template <>
struct ZELRTCBuildDeclaration<ZELRTCConferenceParticipantListNotification> {
  using Self = ZELRTCConferenceParticipantListNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_conferenceURI, GetConferenceURI), ZEL_RTC_FIELD(_participantIds, GetParticipantIds),
      ZEL_RTC_FIELD(_participantNames, GetParticipantNames), ZEL_RTC_FIELD(_participantRoles, GetParticipantRoles)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCConferenceParticipantListNotification::Build", 65, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCConferenceParticipantListNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCConferenceParticipantNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCConferenceParticipantNotification> {
  using Self = ZELRTCConferenceParticipantNotification;
  // The parameters come in another order than the fields.
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_conferenceURI, GetConferenceURI), ZEL_RTC_FIELD(_partnerId, GetPartnerId),
      ZEL_RTC_FIELD(_partnerName, GetPartnerName), ZEL_RTC_FIELD(_eventType, GetEventType)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCConferenceParticipantNotification::Build", 47, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCConferenceParticipantNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCMeetingAvailableNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCMeetingAvailableNotification> {
  using Self = ZELRTCMeetingAvailableNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_meetingId, GetMeetingId),
                                                       ZEL_RTC_FIELD(_meetingURL, GetMeetingURL)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCMeetingAvailableNotification::Build", 39, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCMeetingAvailableNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCMeetingInvitationReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCMeetingInvitationReceivedNotification> {
  using Self = ZELRTCMeetingInvitationReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_meetingId, GetMeetingId),         ZEL_RTC_FIELD(_meetingName, GetMeetingName),
      ZEL_RTC_FIELD(_senderId, GetSenderId),           ZEL_RTC_FIELD(_senderName, GetSenderName),
      ZEL_RTC_FIELD(_invitationMsg, GetInvitationMsg), ZEL_RTC_FIELD(_meetingType, GetMeetingType)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCMeetingInvitationReceivedNotification::Build", 48, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCMeetingInvitationReceivedNotification)
