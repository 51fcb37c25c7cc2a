// ZELBaseUnknown: the reference-counted root of every platform component.
//
// A component is created with one reference, owned by whoever created it; the
// last Release deletes it through its virtual destructor and frees it with the
// class allocator. The count is thread-safe. Copying a component copies no
// count: the copy starts with its own single reference.
//
// QueryInterface answers IID_ZELBaseUnknown for every component and, for the
// interfaces a class implements, walks the table the class installs with
// SetInterfaceTable (see ZEL_INTERFACE_ENTRY).
#pragma once

#include <atomic>
#include <cstddef>

#include "VELTBASEExport.h"
#include "ZELPlatformTypes.h"

class ZELMetaClass;
class ZELBaseUnknown;
struct ITypeInfo;
struct DISPPARAMS;
struct VARIANT;
struct EXCEPINFO;
struct ZELSysChangeComponentStateContext;

VELTBASE_API extern const GUID IID_ZELBaseUnknown;

// One interface a component implements: its identifier, its name and how to
// reach it from the component root.
struct ZELInterfaceEntry {
  const GUID* iid;
  const char* name;
  void* (*cast)(ZELBaseUnknown* self);
};

// Builds a ZELInterfaceEntry for interface `I` of class `C`.
template <class C, class I>
void* ZELCastToInterface(ZELBaseUnknown* self) {
  return static_cast<I*>(static_cast<C*>(self));
}
#define ZEL_INTERFACE_ENTRY(C, I, iid) \
  ZELInterfaceEntry { &(iid), #I, &ZELCastToInterface<C, I> }

class VELTBASE_API ZELBaseUnknown {
 public:
  enum ComponentState : int { Created = 0, Initialized = 1, Started = 2, Stopped = 3, Destroyed = 4 };

  ZELBaseUnknown();
  ZELBaseUnknown(const ZELBaseUnknown& other);
  ZELBaseUnknown& operator=(const ZELBaseUnknown& other);

  // Class allocator: gives null, never throws, when memory runs out.
  static void* operator new(size_t size) noexcept;
  static void* operator new(size_t, void* place) noexcept { return place; }
  static void operator delete(void* p) noexcept;
  static void operator delete(void*, void*) noexcept {}

  virtual HRESULT QueryInterface(const GUID& iid, void** oInterface);
  virtual unsigned long AddRef();
  virtual unsigned long Release();
  virtual HRESULT GetTypeInfoCount(unsigned int* oCount);
  virtual HRESULT GetTypeInfo(unsigned int index, unsigned long locale, ITypeInfo** oInfo);
  virtual HRESULT GetIDsOfNames(const GUID& iid, unsigned short** names, unsigned int count,
                                unsigned long locale, long* oIds);
  virtual HRESULT Invoke(long id, const GUID& iid, unsigned long locale, unsigned short flags,
                         DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, unsigned int* argError);
  // The interface of that name, with one reference for the caller, or null.
  virtual void* QueryInterface(const char* interfaceName) const;
  virtual ~ZELBaseUnknown();
  virtual ZELMetaClass* GetMetaObject() const;
  virtual const char* IsA() const;
  virtual int IsAKindOf(const char* name) const;
  virtual ZELBaseUnknown* GetImpl(int kind) const;
  virtual HRESULT SetImpl(ZELBaseUnknown* impl);
  virtual int IsNull() const;
  virtual int IsEqual(const ZELBaseUnknown* other) const;
  virtual HRESULT ChangeComponentState(ComponentState from, ComponentState to,
                                       const ZELSysChangeComponentStateContext* context);

  static ZELMetaClass* MetaObject();
  static const GUID& ClassId();
  static const char* ClassName();

  // The current number of references (for diagnostics and tests).
  unsigned long GetRefCount() const { return _refCount.load(std::memory_order_acquire); }

 protected:
  // Installs the interfaces of the most derived class: a table of `count`
  // entries that lives as long as the program.
  void SetInterfaceTable(const ZELInterfaceEntry* table, int count) {
    _interfaces = table;
    _interfaceCount = count;
  }

 private:
  std::atomic<unsigned long> _refCount;
  const ZELInterfaceEntry* _interfaces = nullptr;
  int _interfaceCount = 0;
  ZELBaseUnknown* _impl = nullptr;
};
