// ZELRTCInstantMessageReceivedNotification: an instant message from a
// partner. Holds values only.
//
// Build layouts:
//   4 parameters, any version: 0 partner id (string), 1 partner name (string),
//     2 message text (string), 3 encrypted (bool); the event type keeps its
//     value;
//   5 parameters, version 3 or later: the same four, then 4 event type (int).
// Four parameters at version 3 or later are accepted like four at an earlier
// version: the event type is not read (nothing past the array is).
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The kind of message event, carried by the instant-message and the data
// notifications. Drivers give the values; this library only stores and
// returns them.
enum ZelRTCMessageEventType : int {};

class ZELRTCITF_API ZELRTCInstantMessageReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCInstantMessageReceivedNotification)

 public:
  ZELRTCInstantMessageReceivedNotification() = default;
  ZELRTCInstantMessageReceivedNotification(const ZELRTCInstantMessageReceivedNotification&) = default;
  ZELRTCInstantMessageReceivedNotification& operator=(const ZELRTCInstantMessageReceivedNotification&) = default;
  ~ZELRTCInstantMessageReceivedNotification() override;

  ZelRTCMessageEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  ZELUnicodeString GetMessageW() { return _message; }
  unsigned char IsEncrypted() { return _encrypted; }

 private:
  ZelRTCMessageEventType _eventType{};
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  ZELUnicodeString _message;
  unsigned char _encrypted = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCInstantMessageReceivedNotification)
