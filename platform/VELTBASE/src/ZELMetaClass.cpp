#include "ZELMetaClass.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

struct Registry {
  std::mutex lock;
  // Descriptors and the texts they point to live until the process ends.
  std::map<std::string, ZELMetaClass*> byName;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // Never destroyed: descriptors outlive static destructors.
  return *registry;
}

const char* Intern(const char* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text) + 1;
  char* copy = new char[n];
  std::memcpy(copy, text, n);
  return copy;
}

// A stable identifier derived from the framework and class names (FNV-1a).
GUID MakeClassId(const char* framework, const char* name) {
  uint64_t h1 = 14695981039346656037ull, h2 = 1099511628211ull * 31;
  auto mix = [&](const char* s) {
    for (; s && *s; ++s) {
      h1 = (h1 ^ static_cast<unsigned char>(*s)) * 1099511628211ull;
      h2 = (h2 ^ static_cast<unsigned char>(*s)) * 0x100000001b3ull + 0x9E3779B97F4A7C15ull;
    }
    h1 = (h1 ^ '/') * 1099511628211ull;
  };
  mix(framework);
  mix(name);
  GUID id{};
  id.Data1 = static_cast<uint32_t>(h1 >> 32);
  id.Data2 = static_cast<uint16_t>(h1 >> 16);
  id.Data3 = static_cast<uint16_t>((h1 & 0x0FFF) | 0x4000);
  for (int i = 0; i < 8; ++i) id.Data4[i] = static_cast<uint8_t>(h2 >> (8 * i));
  id.Data4[0] = static_cast<uint8_t>((id.Data4[0] & 0x3F) | 0x80);
  return id;
}

}  // namespace

int ZELMetaClass::IsAKindOf(const char* name) const {
  if (!name) return 0;
  for (const ZELMetaClass* m = this; m; m = m->_base) {
    if (m->_name && std::strcmp(m->_name, name) == 0) return 1;
  }
  return 0;
}

ZELMetaClass* fct_RetrieveMetaObject(const char* name, ENUMTypeOfClass kind, ZELMetaClass* base,
                                     const char* literal, const char* framework, size_t size) {
  if (!name) return nullptr;
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.lock);
  auto found = registry.byName.find(name);
  if (found != registry.byName.end()) return found->second;
  auto* meta = new ZELMetaClass;
  meta->_classId = MakeClassId(framework, name);
  meta->_name = Intern(name);
  meta->_base = base;
  meta->_kind = kind;
  meta->_literal = Intern(literal);
  meta->_framework = Intern(framework);
  meta->_size = size;
  registry.byName.emplace(name, meta);
  return meta;
}
