// The class dictionary: class names mapped to factory functions.
//
// A library registers each of its classes at load by constructing a static
// ZELFillDictionary; anyone may then create a class by name. Registrations are
// kept in the order they ran and are never removed.
#pragma once

#include "VELTBASEExport.h"

class ZELBaseUnknown;

// A factory: creates one object with one reference for the caller, or null.
typedef ZELBaseUnknown* (*ZELFactory)();

class VELTBASE_API ZELFillDictionary {
 public:
  // Registers `factory` under `className`. A later registration of the same
  // name replaces the factory but keeps the first place in the order.
  ZELFillDictionary(const char* className, ZELFactory factory);
};

// The factory registered under `className`, or null.
VELTBASE_API ZELFactory ZELFindFactory(const char* className);
// An object of class `className` made by its factory, or null.
VELTBASE_API ZELBaseUnknown* ZELCreateFromDictionary(const char* className);
// Number of registered names, and the name registered in place `index` (from 0), or null.
VELTBASE_API int ZELDictionarySize();
VELTBASE_API const char* ZELDictionaryClassName(int index);
