// What runs when the library is loaded, in this order (the order of
// definition in this one file):
//   1. the process-wide strings of the crash-report section, constructed empty
//      (at unload they are destroyed after the registrations, in reverse
//      order, as for every static object);
//   2. the registration of every notification class in the class dictionary,
//      in the character-code order of the class names, up to and including
//      "ZELRTCDataReceivedNotification";
//   3. ZELRTCEnvironment::DebugActivated, from "ZELRTCDebugMode";
//   4. the registrations from "ZELRTCErrorNotification" on.
#include "ZELCollabAbendInfo.h"

ZELUnicodeString ZELCollabAbendInfo::_driver;
ZELUnicodeString ZELCollabAbendInfo::_server;
ZELUnicodeString ZELCollabAbendInfo::_uri;
ZELUnicodeString ZELCollabAbendInfo::_userAccount;
ZELUnicodeString ZELCollabAbendInfo::_protocol;

#include "ZELBaseUnknown.h"
#include "ZELFillDictionary.h"
#include "ZELProcessServices.h"
#include "ZELRTCEnvironment.h"
#include "ZELRTCItfExport.h"
#include "ZELRTCNotificationClasses.h"

#define ZEL_RTC_DECLARE_FACTORY(C) ZELRTCITF_C_API ZELBaseUnknown* fctCreate##C();
ZEL_RTC_FOR_EACH_NOTIFICATION(ZEL_RTC_DECLARE_FACTORY)

#define ZEL_RTC_REGISTER(C) static ZELFillDictionary g_register##C(#C, &fctCreate##C);

ZEL_RTC_NOTIFICATIONS_BEFORE_ERROR(ZEL_RTC_REGISTER)

const unsigned char ZELRTCEnvironment::DebugActivated = ZELGetEnv("ZELRTCDebugMode") ? 1 : 0;

ZEL_RTC_NOTIFICATIONS_FROM_ERROR(ZEL_RTC_REGISTER)
