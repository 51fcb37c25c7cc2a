// The six WebRTC call-signalling notifications. Every layout is accepted from
// version 2 on.
#include "ZELRTCNotificationBuild.h"
#include "ZELRTCWebRTCCallAcceptedNotification.h"
#include "ZELRTCWebRTCCallEndedNotification.h"
#include "ZELRTCWebRTCICECandidateReceivedNotification.h"
#include "ZELRTCWebRTCInviteSentNotification.h"
#include "ZELRTCWebRTCInviteToCallNotification.h"
#include "ZELRTCWebRTCSDPReceivedNotification.h"

namespace {
constexpr unsigned short kCallLayoutVersion = 2;
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCCallAcceptedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCWebRTCCallAcceptedNotification> {
  using Self = ZELRTCWebRTCCallAcceptedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_login, GetLogin),       ZEL_RTC_FIELD(_roomId, GetRoomId),
      ZEL_RTC_FIELD(_isNWay, GetIsNWay),     ZEL_RTC_FIELD(_type, GetType),
      ZEL_RTC_FIELD(_isCaller, GetIsCaller), ZEL_RTC_FIELD(_iceServers, GetIceServers)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCWebRTCCallAcceptedNotification::Build", 48, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWebRTCCallAcceptedNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCCallEndedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCWebRTCCallEndedNotification> {
  using Self = ZELRTCWebRTCCallEndedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_userId, GetUserId), ZEL_RTC_FIELD(_roomId, GetRoomId), ZEL_RTC_FIELD(_reason, GetReason)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCWebRTCCallEndedNotification::Build", 42, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWebRTCCallEndedNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCICECandidateReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCWebRTCICECandidateReceivedNotification> {
  using Self = ZELRTCWebRTCICECandidateReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_userId, GetUserId), ZEL_RTC_FIELD(_roomId, GetRoomId), ZEL_RTC_FIELD(_candidate, GetCandidate)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCWebRTCICECandidateReceivedNotification::Build", 43, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWebRTCICECandidateReceivedNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCInviteSentNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCWebRTCInviteSentNotification> {
  using Self = ZELRTCWebRTCInviteSentNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_user, GetRTCUser), ZEL_RTC_FIELD(_roomId, GetRoomId), ZEL_RTC_FIELD(_orderId, GetOrderId),
      ZEL_RTC_FIELD(_doYouHaveToAccept, GetDoYouHaveToAccept), ZEL_RTC_FIELD(_errorMsg, GetErrorMsg)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCWebRTCInviteSentNotification::Build", 50, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWebRTCInviteSentNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCInviteToCallNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCWebRTCInviteToCallNotification> {
  using Self = ZELRTCWebRTCInviteToCallNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_user, GetRTCUser), ZEL_RTC_FIELD(_roomId, GetRoomId), ZEL_RTC_FIELD(_orderId, GetOrderId),
      ZEL_RTC_FIELD(_doYouHaveToAccept, GetDoYouHaveToAccept), ZEL_RTC_FIELD(_errorMsg, GetErrorMsg)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCWebRTCInviteToCallNotification::Build", 50, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWebRTCInviteToCallNotification)

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCSDPReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCWebRTCSDPReceivedNotification> {
  using Self = ZELRTCWebRTCSDPReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_userLogin, GetUserLogin),
                                                       ZEL_RTC_FIELD(_userId, GetUserId),
                                                       ZEL_RTC_FIELD(_roomId, GetRoomId),
                                                       ZEL_RTC_FIELD(_isCaller, GetIsCaller),
                                                       ZEL_RTC_FIELD(_isRenegotiating, GetIsRenegotiating),
                                                       ZEL_RTC_FIELD(_isSecondSwitch, GetIsSecondSwitch),
                                                       ZEL_RTC_FIELD(_sdp, GetSDP)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCWebRTCSDPReceivedNotification::Build", 51, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCWebRTCSDPReceivedNotification)
