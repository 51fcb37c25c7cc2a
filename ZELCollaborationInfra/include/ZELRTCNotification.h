// ZELRTCNotification: the abstract base of every collaboration notification.
//
// A driver creates a notification by class name (ZELRTCNotificationBuilder::
// Create, the platform dictionary, or the class's exported fctCreate function),
// fills it once with ZELRTCNotificationBuilder::Build from an array of
// ZELRTCParam values with its count and layout version, and hands it to its
// clients, which read it through the class's getters.
//
// Every concrete class carries the class-description members, a default
// constructor, a copy constructor and an assignment (a field holding interface
// references copies them with references of its own), and the protected Build.
// Build returns S_OK, or E_FAIL for a null array, a count or version outside
// the class's layouts, a null element or an element of the wrong kind; a failed
// Build keeps what it stored before the failing position.
#pragma once

#include "ZELNotification.h"
#include "ZELPlatformTypes.h"
#include "ZELRTCItfExport.h"

class ZELRTCParam;

// The constant declaration of class C's Build (its layouts, fields and getters),
// in C's source; a friend of C.
template <class C>
struct ZELRTCBuildDeclaration;

class ZELRTCITF_API ZELRTCNotification : public ZELNotification {
 public:
  ZELRTCNotification();
  ZELRTCNotification(const ZELRTCNotification& other);
  ZELRTCNotification& operator=(const ZELRTCNotification& other);
  ~ZELRTCNotification() override;

  ZEL_DECLARE_CLASS_DESCRIPTION(ZELRTCNotification)

 protected:
  // Fills the notification from `count` parameters laid out as `version`.
  virtual HRESULT Build(ZELRTCParam** params, unsigned int count, unsigned short version) = 0;

 private:
  friend class ZELRTCNotificationBuilder;
};

// The members every concrete notification class declares, in its class body.
#define ZEL_RTC_NOTIFICATION_MEMBERS(C)    \
  ZEL_DECLARE_CLASS_DESCRIPTION(C)         \
  friend struct ZELRTCBuildDeclaration<C>; \
                                           \
 protected:                                \
  HRESULT Build(ZELRTCParam** params, unsigned int count, unsigned short version) override;

// The exported factory of a concrete class, after its class body: a new
// default-constructed object with one reference, or null when memory runs out.
#define ZEL_RTC_NOTIFICATION_FACTORY(C) ZELRTCITF_C_API ZELBaseUnknown* fctCreate##C();
