#include "ZELBaseUnknown.h"

#include <cstdlib>
#include <cstring>

#include "ZELMetaClass.h"

// {00000000-0000-0000-C000-000000000046}
const GUID IID_ZELBaseUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

ZELBaseUnknown::ZELBaseUnknown() : _refCount(1) {}
ZELBaseUnknown::ZELBaseUnknown(const ZELBaseUnknown& other)
    : _refCount(1), _interfaces(other._interfaces), _interfaceCount(other._interfaceCount) {}
ZELBaseUnknown& ZELBaseUnknown::operator=(const ZELBaseUnknown&) { return *this; }
ZELBaseUnknown::~ZELBaseUnknown() = default;

void* ZELBaseUnknown::operator new(size_t size) noexcept { return std::malloc(size ? size : 1); }
void ZELBaseUnknown::operator delete(void* p) noexcept { std::free(p); }

HRESULT ZELBaseUnknown::QueryInterface(const GUID& iid, void** oInterface) {
  if (!oInterface) return E_POINTER;
  *oInterface = nullptr;
  void* found = nullptr;
  if (iid == IID_ZELBaseUnknown) {
    found = this;
  } else {
    for (int i = 0; i < _interfaceCount; ++i) {
      if (_interfaces[i].iid && *_interfaces[i].iid == iid) {
        found = _interfaces[i].cast(this);
        break;
      }
    }
  }
  if (!found) return E_NOINTERFACE;
  AddRef();
  *oInterface = found;
  return S_OK;
}

void* ZELBaseUnknown::QueryInterface(const char* interfaceName) const {
  if (!interfaceName) return nullptr;
  auto* self = const_cast<ZELBaseUnknown*>(this);
  void* found = nullptr;
  if (std::strcmp(interfaceName, "ZELBaseUnknown") == 0) {
    found = self;
  } else {
    for (int i = 0; i < _interfaceCount; ++i) {
      if (_interfaces[i].name && std::strcmp(_interfaces[i].name, interfaceName) == 0) {
        found = _interfaces[i].cast(self);
        break;
      }
    }
  }
  if (found) self->AddRef();
  return found;
}

unsigned long ZELBaseUnknown::AddRef() { return _refCount.fetch_add(1, std::memory_order_relaxed) + 1; }

unsigned long ZELBaseUnknown::Release() {
  unsigned long before = _refCount.fetch_sub(1, std::memory_order_acq_rel);
  if (before == 1) {
    delete this;
    return 0;
  }
  return before - 1;
}

HRESULT ZELBaseUnknown::GetTypeInfoCount(unsigned int* oCount) {
  if (oCount) *oCount = 0;
  return E_NOTIMPL;
}
HRESULT ZELBaseUnknown::GetTypeInfo(unsigned int, unsigned long, ITypeInfo** oInfo) {
  if (oInfo) *oInfo = nullptr;
  return E_NOTIMPL;
}
HRESULT ZELBaseUnknown::GetIDsOfNames(const GUID&, unsigned short**, unsigned int, unsigned long, long*) {
  return E_NOTIMPL;
}
HRESULT ZELBaseUnknown::Invoke(long, const GUID&, unsigned long, unsigned short, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                               unsigned int*) {
  return E_NOTIMPL;
}

ZELMetaClass* ZELBaseUnknown::MetaObject() {
  static ZELMetaClass* meta =
      fct_RetrieveMetaObject("ZELBaseUnknown", ZELTypeOfClassImplementation, nullptr, "ZELnull", "VELTBASE",
                             sizeof(ZELBaseUnknown));
  return meta;
}
const GUID& ZELBaseUnknown::ClassId() { return MetaObject()->GetClassId(); }
const char* ZELBaseUnknown::ClassName() { return MetaObject()->GetClassName(); }
ZELMetaClass* ZELBaseUnknown::GetMetaObject() const { return MetaObject(); }
const char* ZELBaseUnknown::IsA() const { return ClassName(); }
int ZELBaseUnknown::IsAKindOf(const char* name) const { return MetaObject()->IsAKindOf(name); }

ZELBaseUnknown* ZELBaseUnknown::GetImpl(int) const { return _impl; }
HRESULT ZELBaseUnknown::SetImpl(ZELBaseUnknown* impl) {
  _impl = impl;
  return S_OK;
}
int ZELBaseUnknown::IsNull() const { return 0; }
int ZELBaseUnknown::IsEqual(const ZELBaseUnknown* other) const { return other == this ? 1 : 0; }
HRESULT ZELBaseUnknown::ChangeComponentState(ComponentState, ComponentState, const ZELSysChangeComponentStateContext*) {
  return S_OK;
}
