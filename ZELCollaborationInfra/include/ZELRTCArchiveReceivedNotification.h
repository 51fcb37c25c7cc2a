// ZELRTCArchiveReceivedNotification: a partner's message archive was received.
//
// Build layout (version 2 or later, exactly 4 parameters):
//   0 partner id (string), 1 partner name (string),
//   2 archived messages (string vector, or one string),
//   3 the speakers of those messages (string vector, or one string).
#pragma once

#include "ZELListValZELUnicodeString.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCArchiveReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCArchiveReceivedNotification)

 public:
  ZELRTCArchiveReceivedNotification() = default;
  ZELRTCArchiveReceivedNotification(const ZELRTCArchiveReceivedNotification&) = default;
  ZELRTCArchiveReceivedNotification& operator=(const ZELRTCArchiveReceivedNotification&) = default;
  ~ZELRTCArchiveReceivedNotification() override;

  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  ZELListValZELUnicodeString GetListOfMsgArchive() { return _listOfMsgArchive; }
  ZELListValZELUnicodeString GetListOfAssociatedSpeakerMsgArchive() { return _listOfAssociatedSpeakerMsgArchive; }

 private:
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  ZELListValZELUnicodeString _listOfMsgArchive;
  ZELListValZELUnicodeString _listOfAssociatedSpeakerMsgArchive;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCArchiveReceivedNotification)
