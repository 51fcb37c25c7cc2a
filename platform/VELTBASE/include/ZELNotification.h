// ZELNotification: the platform's base of every notification object, a
// component that carries one integer given at construction.
#pragma once

#include "VELTBASEExport.h"
#include "ZELBaseUnknown.h"
#include "ZELMetaClass.h"

class VELTBASE_API ZELNotification : public ZELBaseUnknown {
 public:
  explicit ZELNotification(int value);
  ZELNotification(const ZELNotification& other);
  ZELNotification& operator=(const ZELNotification& other);
  ~ZELNotification() override;

  int GetNotificationValue() const { return _value; }

  ZEL_DECLARE_CLASS_DESCRIPTION(ZELNotification)

 private:
  int _value;
};
