// The data notification: data with a message type, the event type from version 3.
#include "ZELRTCDataReceivedNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCDataReceivedNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCDataReceivedNotification> {
  using Self = ZELRTCDataReceivedNotification;
  // The data need only be present; the length must be an int and is not kept.
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_partnerId, GetPartnerId),
                                                       ZEL_RTC_FIELD(_partnerName, GetPartnerName),
                                                       ZEL_RTC_FIELD(_messageType, GetMessageType),
                                                       ZEL_RTC_FIELD_RESULT_IGNORED(_data, GetData),
                                                       ZEL_RTC_SCRATCH(int, dataLength),
                                                       ZEL_RTC_FIELD(_encrypted, IsEncrypted),
                                                       ZEL_RTC_FIELD(_eventType, GetEventType)};
  // The shorter count is accepted at every version (no event type then).
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions).FirstPositions(6),
                                                   ZELRTCPositions(kPositions).FromVersion(3)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCDataReceivedNotification::Build", 66, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCDataReceivedNotification)
