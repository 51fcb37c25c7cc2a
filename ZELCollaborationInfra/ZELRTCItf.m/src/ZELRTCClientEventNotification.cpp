// The client-event notification: a media event of the client.
#include "ZELRTCClientEventNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCClientEventNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCClientEventNotification> {
  using Self = ZELRTCClientEventNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_speakerVolume, GetSpeakerVolume),
                                                       ZEL_RTC_FIELD(_speakerAudioMuted, IsSpeakerAudioMuted),
                                                       ZEL_RTC_FIELD(_microphoneVolume, GetMicrophoneVolume),
                                                       ZEL_RTC_FIELD(_microphoneAudioMuted, IsMicrophoneAudioMuted),
                                                       ZEL_RTC_FIELD(_supportedMediaTypes, GetSupportedMediaTypes)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCClientEventNotification::Build", 56, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCClientEventNotification)
