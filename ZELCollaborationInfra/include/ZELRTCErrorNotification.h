// ZELRTCErrorNotification: an error reported by a collaboration driver, whose
// text comes from the platform's message catalogs (ZELMsgCatalog). Holds
// values only.
//
// Build layout (any version, 2 or 3 parameters):
//   0 catalog name (string), 1 message key in that catalog (string),
//   2 (with 3 parameters) the arguments of the message (string vector, or one
//     string), put in as {1}, {2}, ... in list order.
// Build sets the message to "Unknown error" before anything else; it stays so
// when Build fails (a null array, fewer than 2 or more than 3 parameters, a
// null or refused element) or when the catalog has no such message. The
// catalog files and where they are found are described in ZELMsgCatalog.h
// (variable "ZELMsgCatalogPath").
//
// GetMessageKey() gives the empty string: Build does not store the key.
#pragma once

#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCErrorNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCErrorNotification)

 public:
  ZELRTCErrorNotification() = default;
  ZELRTCErrorNotification(const ZELRTCErrorNotification&) = default;
  ZELRTCErrorNotification& operator=(const ZELRTCErrorNotification&) = default;
  ~ZELRTCErrorNotification() override;

  ZELUnicodeString GetErrorMessage() { return _errorMessage; }
  ZELUnicodeString GetMessageKey() { return _messageKey; }

 private:
  ZELUnicodeString _errorMessage;
  ZELUnicodeString _messageKey;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCErrorNotification)
