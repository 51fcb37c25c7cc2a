// The session notification: six fields at any version, eleven from version 2.
#include "ZELRTCSessionNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCSessionNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCSessionNotification> {
  using Self = ZELRTCSessionNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_sessionType, GetSessionType),
                                                       ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_partnerId, GetPartnerId),
                                                       ZEL_RTC_FIELD(_partnerName, GetPartnerName),
                                                       ZEL_RTC_FIELD(_encrypted, IsEncrypted),
                                                       ZEL_RTC_FIELD(_reason, GetReason),
                                                       ZEL_RTC_FIELD(_speakerVolume, GetSpeakerVolume),
                                                       ZEL_RTC_FIELD(_speakerAudioMuted, IsSpeakerAudioMuted),
                                                       ZEL_RTC_FIELD(_microphoneVolume, GetMicrophoneVolume),
                                                       ZEL_RTC_FIELD(_microphoneAudioMuted, IsMicrophoneAudioMuted),
                                                       ZEL_RTC_FIELD(_supportedMediaTypes, GetSupportedMediaTypes)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(6),
                                                   ZELRTCPositions(kPositions).FromVersion(2)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCSessionNotification::Build", 74, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCSessionNotification)
