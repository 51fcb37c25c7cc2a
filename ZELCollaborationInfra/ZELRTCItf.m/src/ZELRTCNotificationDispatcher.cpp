// The traced dispatcher component.
#include "ZELRTCNotificationDispatcher.h"

#include "ZELRTCTracedMethod.h"

ZELRTCNotificationDispatcher::ZELRTCNotificationDispatcher() {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCNotificationDispatcher::ZELRTCNotificationDispatcher");
  scope.Exit(ZelRTCInfraTrace, "ZELRTCNotificationDispatcher::ZELRTCNotificationDispatcher");
}

ZELRTCNotificationDispatcher::ZELRTCNotificationDispatcher(const ZELRTCNotificationDispatcher& other)
    : ZELBaseUnknown(other) {}

ZELRTCNotificationDispatcher& ZELRTCNotificationDispatcher::operator=(const ZELRTCNotificationDispatcher& other) {
  ZELBaseUnknown::operator=(other);
  return *this;
}

ZELRTCNotificationDispatcher::~ZELRTCNotificationDispatcher() {
  ZELRTCTracedMethod scope(ZelRTCInfraTrace, "ZELRTCNotificationDispatcher::~ZELRTCNotificationDispatcher");
}

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELRTCNotificationDispatcher, ZELBaseUnknown, "ZELNull", "ZELCollaborationInfra")
