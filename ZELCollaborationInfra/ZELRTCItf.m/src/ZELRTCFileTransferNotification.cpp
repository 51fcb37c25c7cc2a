// The file-transfer notification: one event of a transfer, twelve fields.
#include "ZELRTCFileTransferNotification.h"

#include "ZELRTCNotificationBuild.h"

ZEL_RTC_IMPLEMENT_NOTIFICATION(ZELRTCFileTransferNotification)

HRESULT ZELRTCFileTransferNotification::Build(ZELRTCParam** params, unsigned int count, unsigned short version) {
  using Self = ZELRTCFileTransferNotification;
  static constexpr ZELRTCBuildPosition kPositions[] = {
      ZELRTCField<&Self::_eventType>,  ZELRTCField<&Self::_reason>,      ZELRTCField<&Self::_extendedError>,
      ZELRTCField<&Self::_partnerId>,  ZELRTCField<&Self::_partnerName>, ZELRTCField<&Self::_fileTransferText>,
      ZELRTCField<&Self::_fileName>,   ZELRTCField<&Self::_fileDesc>,    ZELRTCField<&Self::_transferType>,
      ZELRTCField<&Self::_transferId>, ZELRTCField<&Self::_fileSize>,    ZELRTCField<&Self::_bytesTransferred>};
  static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
  static constexpr ZELRTCBuildContract kContract("ZELRTCFileTransferNotification::Build", 69, kLayouts);
  return ZELRTCRunBuild(kContract, *this, params, count, version);
}
