// ZELRTCArchiveCleanedNotification: a partner's message archive was cleaned.
//
// Build layout (version 2 or later, exactly 3 parameters):
//   0 partner id (string), 1 partner name (string), 2 response code (int).
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCArchiveCleanedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCArchiveCleanedNotification)

 public:
  ZELRTCArchiveCleanedNotification() = default;
  ZELRTCArchiveCleanedNotification(const ZELRTCArchiveCleanedNotification&) = default;
  ZELRTCArchiveCleanedNotification& operator=(const ZELRTCArchiveCleanedNotification&) = default;
  ~ZELRTCArchiveCleanedNotification() override;

  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  int GetResponseCode() { return _responseCode; }

 private:
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  int _responseCode = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCArchiveCleanedNotification)
