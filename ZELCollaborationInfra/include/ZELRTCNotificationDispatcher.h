// ZELRTCNotificationDispatcher: a field-less component of the platform's
// object model on which the collaboration infrastructure builds the delivery
// of notifications. Its construction and destruction are traced on the
// infrastructure channel. It is created with `new` (one reference, owned by the
// creator; null when memory runs out) and destroyed only by its last Release:
// the destructor is private.
#pragma once

#include "ZELBaseUnknown.h"
#include "ZELMetaClass.h"
#include "ZELRTCItfExport.h"

class ZELRTCITF_API ZELRTCNotificationDispatcher : public ZELBaseUnknown {
 public:
  // Writes the entry and exit lines of
  // "ZELRTCNotificationDispatcher::ZELRTCNotificationDispatcher".
  ZELRTCNotificationDispatcher();
  // Copy and assignment copy the component part only, without trace.
  ZELRTCNotificationDispatcher(const ZELRTCNotificationDispatcher& other);
  ZELRTCNotificationDispatcher& operator=(const ZELRTCNotificationDispatcher& other);

  ZEL_DECLARE_CLASS_DESCRIPTION(ZELRTCNotificationDispatcher)

 private:
  // Writes the entry and exit lines of
  // "ZELRTCNotificationDispatcher::~ZELRTCNotificationDispatcher".
  ~ZELRTCNotificationDispatcher() override;
};
