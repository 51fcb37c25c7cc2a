// The instant-message notification: four fields, and the event type from
// version 3.
#include "ZELRTCInstantMessageReceivedNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCInstantMessageReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCInstantMessageReceivedNotification> {
  using Self = ZELRTCInstantMessageReceivedNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_partnerId, GetPartnerId), ZEL_RTC_FIELD(_partnerName, GetPartnerName),
      ZEL_RTC_FIELD(_message, GetMessageW), ZEL_RTC_FIELD(_encrypted, IsEncrypted),
      ZEL_RTC_FIELD(_eventType, GetEventType)};
  // The shorter count is accepted at every version (no event type then).
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(4),
                                                   ZELRTCPositions(kPositions).FromVersion(3)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCInstantMessageReceivedNotification::Build", 55, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCInstantMessageReceivedNotification)
