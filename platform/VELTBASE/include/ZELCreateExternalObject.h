// ZELCreateExternalObject: creates a component of a class that lives in a
// component library, loaded on demand.
//
// A component library is a shared library "lib<name>.so" that exports one
// entry point, ZELGetComponentLibrary, giving a descriptor of the classes it
// provides. The host trusts the descriptor only when its magic and version are
// the ones below and the entry point belongs to the library itself; a library
// without it is not a component library and is left alone, silently.
//
// The library is looked for, in this order, in the folder given by the caller,
// in each folder of the environment variable "ZELComponentPath" (separated by
// ':'), in the folder of the platform library itself, then by the system's
// usual library search. The first file found that loads is the one used. A
// library from which a component was created stays loaded until the process
// ends.
//
// A component library declares its classes like this:
//
//   static ZELBaseUnknown* CreateMySession(void* argument) { ... one reference, or null ... }
//   static const ZELComponentClass kClasses[] = {{"MySessionImpl", &CreateMySession}};
//   ZEL_COMPONENT_LIBRARY("MyLayer", kClasses)
#pragma once

#include <cstdint>

#include "VELTBASEExport.h"

class ZELBaseUnknown;

// Creates one component, with one reference for the caller, from the creation
// argument (whose meaning the class defines); null when it cannot.
typedef ZELBaseUnknown* (*ZELComponentCreator)(void* creationArgument);

struct ZELComponentClass {
  const char* className;
  ZELComponentCreator create;
};

constexpr uint32_t ZEL_COMPONENT_LIBRARY_MAGIC = 0x5A454C43u;  // "ZELC"
constexpr uint32_t ZEL_COMPONENT_LIBRARY_VERSION = 1;

// What a component library's entry point returns. Later versions may add
// fields at the end; `size` tells how many bytes the library filled in.
struct ZELComponentLibrary {
  uint32_t magic;    // ZEL_COMPONENT_LIBRARY_MAGIC
  uint32_t version;  // ZEL_COMPONENT_LIBRARY_VERSION
  uint32_t size;     // sizeof(ZELComponentLibrary) as the library was built
  const char* libraryName;
  int classCount;
  const ZELComponentClass* classes;
};

#define ZEL_COMPONENT_LIBRARY_ENTRY_NAME "ZELGetComponentLibrary"
typedef const ZELComponentLibrary* (*ZELComponentLibraryEntry)();

// Defines the entry point of a component library, exported under its plain name.
#define ZEL_COMPONENT_LIBRARY(name, classArray)                                                                 \
  extern "C" __attribute__((visibility("default"))) const ZELComponentLibrary* ZELGetComponentLibrary() {       \
    static const ZELComponentLibrary library = {ZEL_COMPONENT_LIBRARY_MAGIC,                                    \
                                                ZEL_COMPONENT_LIBRARY_VERSION,                                  \
                                                sizeof(ZELComponentLibrary),                                    \
                                                name,                                                           \
                                                static_cast<int>(sizeof(classArray) / sizeof((classArray)[0])), \
                                                classArray};                                                    \
    return &library;                                                                                            \
  }

// A new component of class `className` from library `libraryName` (without
// "lib" and ".so"), made from `creationArgument`; `folder`, when not null, is
// searched first. Null, never a crash, when a name is null or empty, the
// library cannot be found or loaded, is not a component library, does not
// provide the class, or the class makes nothing.
VELTBASE_API ZELBaseUnknown* ZELCreateExternalObject(const char* className, const char* folder, const char* libraryName,
                                                     void* creationArgument);
