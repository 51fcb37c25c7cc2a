// ZELMetaClass: the descriptor of a component class (its identifier, name, base
// descriptor and size), one per class name, kept for the life of the process.
#pragma once

#include <cstddef>

#include "VELTBASEExport.h"
#include "ZELPlatformTypes.h"

class ZELBaseUnknown;

enum ENUMTypeOfClass : int { ZELTypeOfClassInterface = 0, ZELTypeOfClassImplementation = 1 };

class VELTBASE_API ZELMetaClass {
 public:
  const GUID& GetClassId() const { return _classId; }
  const char* GetClassName() const { return _name; }
  ZELMetaClass* GetBase() const { return _base; }
  ENUMTypeOfClass GetTypeOfClass() const { return _kind; }
  const char* GetLiteral() const { return _literal; }
  const char* GetFramework() const { return _framework; }
  size_t GetSize() const { return _size; }

  // 1 when `name` is this class or one of its bases, else 0.
  int IsAKindOf(const char* name) const;

 private:
  friend VELTBASE_API ZELMetaClass* fct_RetrieveMetaObject(const char*, ENUMTypeOfClass, ZELMetaClass*,
                                                           const char*, const char*, size_t);
  ZELMetaClass() = default;

  GUID _classId{};
  const char* _name = nullptr;
  ZELMetaClass* _base = nullptr;
  ENUMTypeOfClass _kind = ZELTypeOfClassImplementation;
  const char* _literal = nullptr;
  const char* _framework = nullptr;
  size_t _size = 0;
};

// The descriptor of class `name`: created on the first call for that name,
// the same one afterwards. The class identifier is derived from the name and
// the framework. Null when `name` is null.
VELTBASE_API ZELMetaClass* fct_RetrieveMetaObject(const char* name, ENUMTypeOfClass kind, ZELMetaClass* base,
                                                  const char* literal, const char* framework, size_t size);

// The eight class-description members every component class carries.
#define ZEL_DECLARE_CLASS_DESCRIPTION(C)               \
 public:                                               \
  static ZELMetaClass* meta_object;                    \
  static ZELMetaClass* MetaObject();                   \
  ZELMetaClass* GetMetaObject() const override;        \
  static const GUID& ClassId();                        \
  static const char* ClassName();                      \
  const char* IsA() const override;                    \
  int IsAKindOf(const char* name) const override;      \
  static ZELBaseUnknown* CreateItself();

// Their definitions: the descriptor of C is retrieved, on first use, from the
// class name, kind 1, the descriptor of Base, the literal, the framework name
// and the size of C.
#define ZEL_IMPLEMENT_CLASS_DESCRIPTION(C, Base, literal, framework)                                         \
  ZELMetaClass* C::meta_object = nullptr;                                                                   \
  ZELMetaClass* C::MetaObject() {                                                                           \
    if (!meta_object) {                                                                                     \
      ZELMetaClass* base = Base::MetaObject();                                                              \
      meta_object = fct_RetrieveMetaObject(#C, ZELTypeOfClassImplementation, base, literal, framework, sizeof(C)); \
    }                                                                                                       \
    return meta_object;                                                                                     \
  }                                                                                                         \
  ZELMetaClass* C::GetMetaObject() const { return C::MetaObject(); }                                        \
  const GUID& C::ClassId() { return C::MetaObject()->GetClassId(); }                                        \
  const char* C::ClassName() { return C::MetaObject()->GetClassName(); }                                    \
  const char* C::IsA() const { return C::MetaObject()->GetClassName(); }                                    \
  int C::IsAKindOf(const char* name) const { return C::MetaObject()->IsAKindOf(name); }                     \
  ZELBaseUnknown* C::CreateItself() { return nullptr; }
