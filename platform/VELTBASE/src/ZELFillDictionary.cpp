#include "ZELFillDictionary.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Dictionary {
  std::mutex lock;
  std::map<std::string, ZELFactory, std::less<>> factories;  // looked up by name, with no copy of it
  std::vector<const std::string*> order;  // Points into `factories`' keys.
};

Dictionary& TheDictionary() {
  static Dictionary* dictionary = new Dictionary;  // Registrations outlive static destructors.
  return *dictionary;
}

}  // namespace

ZELFillDictionary::ZELFillDictionary(const char* className, ZELFactory factory) {
  if (!className) return;
  Dictionary& d = TheDictionary();
  std::lock_guard<std::mutex> guard(d.lock);
  auto [it, inserted] = d.factories.insert_or_assign(className, factory);
  if (inserted) d.order.push_back(&it->first);
}

ZELFactory ZELFindFactory(const char* className) {
  if (!className) return nullptr;
  Dictionary& d = TheDictionary();
  std::lock_guard<std::mutex> guard(d.lock);
  auto it = d.factories.find(std::string_view(className));
  return it == d.factories.end() ? nullptr : it->second;
}

ZELBaseUnknown* ZELCreateFromDictionary(const char* className) {
  ZELFactory factory = ZELFindFactory(className);
  return factory ? factory() : nullptr;
}

int ZELDictionarySize() {
  Dictionary& d = TheDictionary();
  std::lock_guard<std::mutex> guard(d.lock);
  return static_cast<int>(d.order.size());
}

const char* ZELDictionaryClassName(int index) {
  Dictionary& d = TheDictionary();
  std::lock_guard<std::mutex> guard(d.lock);
  if (index < 0 || static_cast<size_t>(index) >= d.order.size()) return nullptr;
  return d.order[static_cast<size_t>(index)]->c_str();
}
