// ZELRTCSplittedDataReceivedNotification: a block of data received in split
// form, with a type identifier and a flag that says whether it is typed data.
// Holds values only; the bytes handed out by GetData stay owned by the
// notification.
//
// Build layouts:
//   7 parameters, any version: 0 partner id (string), 1 partner name (string),
//     2 type id (string), 3 data (byte array), 4 data length (int),
//     5 encrypted (bool), 6 typed data (bool); the event type keeps its value;
//   8 parameters, version 3 or later: the same seven, then 7 event type (int).
// The data element must be present, but an element of another kind leaves the
// data as they were. The length element must be present and an int; its value
// is not kept: GetData gives the byte array's own length. Seven parameters at
// version 3 or later are accepted like seven at an earlier version: the event
// type is not read (nothing past the array is).
#pragma once

#include "ZELBinary.h"
#include "ZELRTCInstantMessageReceivedNotification.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCSplittedDataReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCSplittedDataReceivedNotification)

 public:
  ZELRTCSplittedDataReceivedNotification() = default;
  ZELRTCSplittedDataReceivedNotification(const ZELRTCSplittedDataReceivedNotification&) = default;
  ZELRTCSplittedDataReceivedNotification& operator=(const ZELRTCSplittedDataReceivedNotification&) = default;
  ~ZELRTCSplittedDataReceivedNotification() override;

  ZelRTCMessageEventType GetEventType() { return _eventType; }
  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  ZELUnicodeString GetTypeId() { return _typeId; }
  // The notification's own bytes (null and a length of 0 when empty), valid
  // until it is destroyed, assigned to or built again.
  const char* GetData(int& oLength) {
    oLength = static_cast<int>(_data.getLength());
    return _data.getArray();
  }
  unsigned char IsEncrypted() { return _encrypted; }
  unsigned char IsTypedData() { return _typedData; }

 private:
  ZelRTCMessageEventType _eventType{};
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  ZELUnicodeString _typeId;
  ZELBinary _data;
  unsigned char _encrypted = 0;
  unsigned char _typedData = 0;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCSplittedDataReceivedNotification)
