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

HRESULT ZELRTCWebRTCCallAcceptedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCWebRTCCallAcceptedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_login>,    ZELRTCField<&Self::_roomId>,
                                                       ZELRTCField<&Self::_isNWay>,   ZELRTCField<&Self::_type>,
                                                       ZELRTCField<&Self::_isCaller>, ZELRTCField<&Self::_iceServers>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCWebRTCCallAcceptedNotification::Build", 48, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCCallEndedNotification)

HRESULT ZELRTCWebRTCCallEndedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCWebRTCCallEndedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_userId>, ZELRTCField<&Self::_roomId>,
                                                       ZELRTCField<&Self::_reason>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCWebRTCCallEndedNotification::Build", 42, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCICECandidateReceivedNotification)

HRESULT ZELRTCWebRTCICECandidateReceivedNotification::Build(ZELRTCParam** params, unsigned int count,
                                                            unsigned short version) {
  using Self = ZELRTCWebRTCICECandidateReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZELRTCField<&Self::_userId>, ZELRTCField<&Self::_roomId>,
                                                       ZELRTCField<&Self::_candidate>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCWebRTCICECandidateReceivedNotification::Build", 43, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCInviteSentNotification)

HRESULT ZELRTCWebRTCInviteSentNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCWebRTCInviteSentNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_user>, ZELRTCField<&Self::_roomId>, ZELRTCField<&Self::_orderId>,
      ZELRTCField<&Self::_doYouHaveToAccept>, ZELRTCField<&Self::_errorMsg>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCWebRTCInviteSentNotification::Build", 50, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCInviteToCallNotification)

HRESULT ZELRTCWebRTCInviteToCallNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCWebRTCInviteToCallNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_user>, ZELRTCField<&Self::_roomId>, ZELRTCField<&Self::_orderId>,
      ZELRTCField<&Self::_doYouHaveToAccept>, ZELRTCField<&Self::_errorMsg>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCWebRTCInviteToCallNotification::Build", 50, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCWebRTCSDPReceivedNotification)

HRESULT ZELRTCWebRTCSDPReceivedNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCWebRTCSDPReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_userLogin>, ZELRTCField<&Self::_userId>,          ZELRTCField<&Self::_roomId>,
      ZELRTCField<&Self::_isCaller>,  ZELRTCField<&Self::_isRenegotiating>, ZELRTCField<&Self::_isSecondSwitch>,
      ZELRTCField<&Self::_sdp>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FromVersion(kCallLayoutVersion)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCWebRTCSDPReceivedNotification::Build", 51, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
