// The typed-data notification: data for a service, the event type from version 3.
#include "ZELRTCTypedDataReceivedNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCTypedDataReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCTypedDataReceivedNotification> {
  using Self = ZELRTCTypedDataReceivedNotification;
  // The data need only be present; the length must be an int and is not kept.
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZEL_RTC_FIELD(_partnerId, GetPartnerId), ZEL_RTC_FIELD(_partnerName, GetPartnerName),
      ZEL_RTC_FIELD(_serviceId, GetServiceId), ZEL_RTC_FIELD_RESULT_IGNORED(_data, GetData),
      ZEL_RTC_SCRATCH(int, dataLength),        ZEL_RTC_FIELD(_encrypted, IsEncrypted),
      ZEL_RTC_FIELD(_eventType, GetEventType)};
  // The shorter count is accepted at every version (no event type then).
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(6),
                                                   ZELRTCPositions(kPositions).FromVersion(3)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCTypedDataReceivedNotification::Build", 75, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCTypedDataReceivedNotification)
