// The file-transfer notification: one event of a transfer, twelve fields.
#include "ZELRTCFileTransferNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCFileTransferNotification)

template <>
struct ZELRTCBuildDeclaration<ZELRTCFileTransferNotification> {
  using Self = ZELRTCFileTransferNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_eventType, GetEventType),
                                                       ZEL_RTC_FIELD(_reason, GetReason),
                                                       ZEL_RTC_FIELD(_extendedError, GetExtendedErrorString),
                                                       ZEL_RTC_FIELD(_partnerId, GetPartnerId),
                                                       ZEL_RTC_FIELD(_partnerName, GetPartnerName),
                                                       ZEL_RTC_FIELD(_fileTransferText, GetFileTransferString),
                                                       ZEL_RTC_FIELD(_fileName, GetFileName),
                                                       ZEL_RTC_FIELD(_fileDesc, GetFileDesc),
                                                       ZEL_RTC_FIELD(_transferType, GetTransferType),
                                                       ZEL_RTC_FIELD(_transferId, GetTransferID),
                                                       ZEL_RTC_FIELD(_fileSize, GetFileSize),
                                                       ZEL_RTC_FIELD(_bytesTransferred, GetNumOfByteTransferred)};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract{"ZELRTCFileTransferNotification::Build", 69, kLayouts};
};
ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCFileTransferNotification)
