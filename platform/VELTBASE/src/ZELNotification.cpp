#include "ZELNotification.h"

ZELNotification::ZELNotification(int value) : _value(value) {}
ZELNotification::ZELNotification(const ZELNotification& other) : ZELBaseUnknown(other), _value(other._value) {}
ZELNotification& ZELNotification::operator=(const ZELNotification& other) {
  ZELBaseUnknown::operator=(other);
  _value = other._value;
  return *this;
}
ZELNotification::~ZELNotification() = default;

ZEL_IMPLEMENT_CLASS_DESCRIPTION(ZELNotification, ZELBaseUnknown, "ZELnull", "VELTBASE")
