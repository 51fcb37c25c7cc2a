// ZELRTCNotificationContract: the parameter layouts that every notification
// class's Build accepts, read-only, taken from the very declarations that Build
// runs on.
//
//   const ZELRTCContractClass* c = ZELRTCNotificationContract::Find("ZELRTCLoginNotification");
//   for (unsigned int l = 0; c && l < c->layoutCount; ++l) {
//     const ZELRTCContractLayout& layout = c->layouts[l];   // counts, versions, positions
//     ...
//   }
//
// Every text is a constant string that lives as long as the process. A
// position's `accepts` tells whether Build's reader would take a parameter at
// that position, without building anything; `get` calls the position's getter
// on a notification of the class and hands its value back as a new parameter
// (the caller deletes it).
#pragma once

#include "ZELRTCItfExport.h"

class ZELRTCNotification;
class ZELRTCParam;

// How Build treats a position.
enum ZELRTCContractUse : int {
  ZELRTCContractRequired = 0,        // must be present and accepted
  ZELRTCContractResultIgnored = 1,   // must be present; any kind passes
  ZELRTCContractOptional = 2,        // read when present; never fails the Build
  ZELRTCContractWhenPreviousSet = 3  // required only when the position before it is a true boolean
};

struct ZELRTCContractPosition {
  unsigned int index;
  int kind;              // the ZELRTCParam::ParamKind the reader expects
  const char* kindName;  // "IntKind", ...
  const char* field;     // the field it fills, or what it is when it is not kept
  const char* getter;    // the getter that reads it back, or null
  ZELRTCContractUse use;
  unsigned char byHook;  // read after the walk by the class's own code
  unsigned char (*accepts)(const ZELRTCParam& param);
  ZELRTCParam* (*get)(ZELRTCNotification& notification);  // null without a getter
};

struct ZELRTCContractLayout {
  unsigned int minCount;
  unsigned int maxCount;  // 4294967295: no upper bound
  unsigned short minVersion;
  unsigned short maxVersion;
  const ZELRTCContractPosition* positions;
  unsigned int positionCount;
};

// A getter whose value no single position fills (it is computed by Build).
struct ZELRTCContractGetter {
  const char* field;
  const char* getter;
  ZELRTCParam* (*get)(ZELRTCNotification& notification);
};

struct ZELRTCContractClass {
  const char* className;
  const char* method;                   // the traced scope, "<class>::Build"
  int exitLine;                         // the line its exit line reports
  unsigned char countInEntry;           // the entry line shows the count
  const ZELRTCContractLayout* layouts;  // tried in order; the first that fits is used
  unsigned int layoutCount;
  const ZELRTCContractGetter* getters;
  unsigned int getterCount;
};

class ZELRTCITF_API ZELRTCNotificationContract {
 public:
  // The number of notification classes, and each in registration order.
  static unsigned int ClassCount();
  static const ZELRTCContractClass* ClassAt(unsigned int index);
  // The class of that name, or null.
  static const ZELRTCContractClass* Find(const char* className);
  // The name of a parameter kind ("BoolKind" ... "IntListKind"), or null.
  static const char* KindName(int kind);
};
