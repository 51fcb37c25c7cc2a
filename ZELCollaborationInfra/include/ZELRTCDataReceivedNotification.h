// ZELRTCDataReceivedNotification: a block of application data from a partner,
// with a message type.
// Holds values only; the bytes handed out by GetData stay owned by the
// notification.
//
// Build layouts:
//   6 parameters, any version: 0 partner id (string), 1 partner name (string),
//     2 message type (string), 3 data (byte array), 4 data length (int),
//     5 encrypted (bool); the event type keeps its value;
//   7 parameters, version 3 or later: the same six, then 6 event type (int).
// The data element must be present, but an element of another kind leaves the
// data as they were. The length element must be present and an int; its value
// is not kept: GetData gives the byte array's own length. Six parameters at
// version 3 or later are accepted like six at an earlier version: the event
// type is not read (nothing past the array is).
#pragma once

#include "ZELBinary.h"
#include "ZELRTCInstantMessageReceivedNotification.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCDataReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCDataReceivedNotification)

 public:
  ZELRTCDataReceivedNotification() = default;
  ZELRTCDataReceivedNotification(const ZELRTCDataReceivedNotification&) = default;
  ZELRTCDataReceivedNotification& operator=(const ZELRTCDataReceivedNotification&) = default;
  ~ZELRTCDataReceivedNotification() override;

  ZelRTCMessageEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  ZELUnicodeString GetMessageType() { return _messageType; }
  // The notification's own bytes (null and a length of 0 when empty), valid
  // until it is destroyed, assigned to or built again.
  const char* GetData(int& oLength) {
    oLength = static_cast<int>(_data.getLength());
    return _data.getArray();
  }
  unsigned char IsEncrypted() { return _encrypted; }

 private:
  ZelRTCMessageEventType _eventType{};
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  ZELUnicodeString _messageType;
  ZELBinary _data;
  unsigned char _encrypted = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCDataReceivedNotification)
