// ZELRTCNotificationBuilder: the drivers' way to create and fill notifications.
//
//   ZELRTCNotification* n = ZELRTCNotificationBuilder::Create("ZELRTCLoginNotification");
//   ZELRTCParam* params[] = {...};
//   HRESULT hr = ZELRTCNotificationBuilder::Build(n, params, 4, 1);
//   ... deliver n ...
//   n->Release();
#pragma once

#include "ZELPlatformTypes.h"
#include "ZELRTCItfExport.h"

class ZELRTCNotification;
class ZELRTCParam;

class ZELRTCITF_API ZELRTCNotificationBuilder {
 public:
  // A new notification of that class, with one reference for the caller; null
  // when the class is unknown to the dictionary or is not a notification.
  static ZELRTCNotification* Create(const char* className);

  // Calls the notification's Build; E_FAIL for a null notification.
  static HRESULT Build(ZELRTCNotification* notification, ZELRTCParam** params, unsigned int count,
                       unsigned short version);
};
