// The notification base and the drivers' builder.
#include "ZELRTCNotification.h"

#include "ZELFillDictionary.h"
#include "ZELRTCNotificationBuilder.h"

ZELRTCNotification::ZELRTCNotification() : ZELNotification(0) {}
ZELRTCNotification::ZELRTCNotification(const ZELRTCNotification& other) : ZELNotification(other) {}
ZELRTCNotification& ZELRTCNotification::operator=(const ZELRTCNotification& other) {
  ZELNotification::operator=(other);
  return *this;
}
ZELRTCNotification::~ZELRTCNotification() = default;

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCNotification, ZELNotification, "ZELnull", "ZELCollaborationInfra")

ZELRTCNotification* ZELRTCNotificationBuilder::Create(const char* className) {
  ZELBaseUnknown* object = ZELCreateFromDictionary(className);
  if (!object) return nullptr;
  if (!object->IsAKindOf("ZELRTCNotification")) {
    object->Release();
    return nullptr;
  }
  return static_cast<ZELRTCNotification*>(object);
}

HRESULT ZELRTCNotificationBuilder::Build(ZELRTCNotification* notification, ZELRTCParam** params, unsigned int count,
                                         unsigned short version) {
  return notification ? notification->Build(params, count, version) : E_FAIL;
}
