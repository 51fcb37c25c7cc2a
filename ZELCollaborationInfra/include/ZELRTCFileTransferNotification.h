// ZELRTCFileTransferNotification: one event of a file-transfer session: the
// transfer, the partner, the file, the bytes transferred so far, a reason code
// and an extended error text. Holds values only. A new notification gives 1 as
// its event type, -1 as its reason, transfer id, file size and byte count, and
// empty strings.
//
// Build layout (exactly 12 parameters, any version):
//   0 event type (int), 1 reason (int), 2 extended error text (string),
//   3 partner id (string), 4 partner name (string), 5 file-transfer text
//   (string), 6 file name (string), 7 file description (string), 8 transfer
//   type (string), 9 transfer id (int), 10 file size (int), 11 bytes
//   transferred (int).
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

// The kind of file-transfer event. Drivers give the values; this library only
// stores and returns them (a new notification holds 1).
enum ZelRTCFileTransferSessionEventType : int {};

class ZELRTCITF_API ZELRTCFileTransferNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCFileTransferNotification)

 public:
  ZELRTCFileTransferNotification() = default;
  ZELRTCFileTransferNotification(const ZELRTCFileTransferNotification&) = default;
  ZELRTCFileTransferNotification& operator=(const ZELRTCFileTransferNotification&) = default;
  ~ZELRTCFileTransferNotification() override;

  ZelRTCFileTransferSessionEventType GetEventType() { return _eventType; }
  int GetReason() { return _reason; }
  ZELUnicodeString GetExtendedErrorString() { return _extendedError; }
  ZELUnicodeString GetPartnerId() { return _partnerId; }
  ZELUnicodeString GetPartnerName() { return _partnerName; }
  ZELUnicodeString GetFileTransferString() { return _fileTransferText; }
  ZELUnicodeString GetFileName() { return _fileName; }
  ZELUnicodeString GetFileDesc() { return _fileDesc; }
  ZELUnicodeString GetTransferType() { return _transferType; }
  int GetTransferID() { return _transferId; }
  int GetFileSize() { return _fileSize; }
  int GetNumOfByteTransferred() { return _bytesTransferred; }

 private:
  ZelRTCFileTransferSessionEventType _eventType = static_cast<ZelRTCFileTransferSessionEventType>(1);
  int _reason = -1;
  ZELUnicodeString _extendedError;
  ZELUnicodeString _partnerId;
  ZELUnicodeString _partnerName;
  ZELUnicodeString _fileTransferText;
  ZELUnicodeString _fileName;
  ZELUnicodeString _fileDesc;
  ZELUnicodeString _transferType;
  int _transferId = -1;
  int _fileSize = -1;
  int _bytesTransferred = -1;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCFileTransferNotification)
