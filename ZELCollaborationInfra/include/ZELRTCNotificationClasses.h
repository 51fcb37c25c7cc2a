// The notification classes of this library, in the order in which they are
// registered in the class dictionary at load: the character-code order of
// their names. X(C) is expanded once per class.
//
// The list is split where the load-time value ZELRTCEnvironment::DebugActivated
// is computed, between "ZELRTCDataReceivedNotification" and
// "ZELRTCErrorNotification".
#pragma once

#define ZEL_RTC_NOTIFICATIONS_BEFORE_ERROR(X)    \
  X(ZELRTCArchiveCleanedNotification)            \
  X(ZELRTCArchiveReceivedNotification)           \
  X(ZELRTCBuddyListExpandedNotification)         \
  X(ZELRTCBuddyListGroupNotification)            \
  X(ZELRTCBuddyListNotification)                 \
  X(ZELRTCBuddyListUserNotification)             \
  X(ZELRTCClientEventNotification)               \
  X(ZELRTCConferenceParticipantListNotification) \
  X(ZELRTCConferenceParticipantNotification)     \
  X(ZELRTCDataReceivedNotification)

#define ZEL_RTC_NOTIFICATIONS_FROM_ERROR(X)       \
  X(ZELRTCErrorNotification)                      \
  X(ZELRTCFileTransferNotification)               \
  X(ZELRTCGroupContentNotification)               \
  X(ZELRTCGroupsResolvedNotification)             \
  X(ZELRTCInstantMessageReceivedNotification)     \
  X(ZELRTCLoginNotification)                      \
  X(ZELRTCMeetingAvailableNotification)           \
  X(ZELRTCMeetingInvitationReceivedNotification)  \
  X(ZELRTCMyStatusChangedNotification)            \
  X(ZELRTCSessionNotification)                    \
  X(ZELRTCSplittedDataReceivedNotification)       \
  X(ZELRTCTypedDataReceivedNotification)          \
  X(ZELRTCUserInfoReceivedNotification)           \
  X(ZELRTCUserStatusChangedNotification)          \
  X(ZELRTCUsersResolvedNotification)              \
  X(ZELRTCWatchListNotification)                  \
  X(ZELRTCWatchListUserNotification)              \
  X(ZELRTCWebRTCCallAcceptedNotification)         \
  X(ZELRTCWebRTCCallEndedNotification)            \
  X(ZELRTCWebRTCICECandidateReceivedNotification) \
  X(ZELRTCWebRTCInviteSentNotification)           \
  X(ZELRTCWebRTCInviteToCallNotification)         \
  X(ZELRTCWebRTCSDPReceivedNotification)

#define ZEL_RTC_FOR_EACH_NOTIFICATION(X) \
  ZEL_RTC_NOTIFICATIONS_BEFORE_ERROR(X)  \
  ZEL_RTC_NOTIFICATIONS_FROM_ERROR(X)
