// The read-only view of every class's build contract, made once from the
// declarations that the classes' Build runs on.
#include "ZELRTCNotificationContract.h"

#include <cstring>
#include <vector>

#include "ZELRTCNotificationBuild.h"

namespace {

const char* const kKindNames[] = {"BoolKind",          "IntKind",          "DoubleKind", "ByteArrayKind",
                                  "UnicodeStringKind", "StringVectorKind", "UserKind",   "UserListKind",
                                  "GroupKind",         "GroupListKind",    "IntListKind"};

ZELRTCContractPosition Describe(const ZELRTCBuildPosition& p, unsigned int index, bool byHook) {
  return ZELRTCContractPosition{index,
                                p.kind,
                                ZELRTCNotificationContract::KindName(p.kind),
                                p.field,
                                p.getter,
                                static_cast<ZELRTCContractUse>(p.use),
                                static_cast<unsigned char>(byHook ? 1 : 0),
                                p.accepts,
                                p.get};
}

struct Catalog {
  // Per class: its positions per layout, its layouts, its getters.
  std::vector<std::vector<std::vector<ZELRTCContractPosition>>> positions;
  std::vector<std::vector<ZELRTCContractLayout>> layouts;
  std::vector<std::vector<ZELRTCContractGetter>> getters;
  std::vector<ZELRTCContractClass> classes;

  void Add(const char* name, const ZELRTCBuildContract& c) {
    std::vector<std::vector<ZELRTCContractPosition>> perLayout;
    for (unsigned int l = 0; l < c.layoutCount; ++l) {
      const ZELRTCBuildLayout& layout = c.layouts[l];
      std::vector<ZELRTCContractPosition> list;
      for (unsigned int i = 0; i < layout.size; ++i) list.push_back(Describe(layout.positions[i], i, false));
      for (unsigned int h = 0; h < c.hookPositionCount && layout.size + h < layout.maxCount; ++h)
        list.push_back(Describe(c.hookPositions[h], layout.size + h, true));
      perLayout.push_back(std::move(list));
    }
    std::vector<ZELRTCContractGetter> values;
    for (unsigned int g = 0; g < c.getterCount; ++g)
      values.push_back(ZELRTCContractGetter{c.getters[g].field, c.getters[g].getter, c.getters[g].get});
    positions.push_back(std::move(perLayout));
    getters.push_back(std::move(values));
    classes.push_back(ZELRTCContractClass{name, c.method, c.exitLine, static_cast<unsigned char>(c.countInEntry),
                                          nullptr, c.layoutCount, nullptr, c.getterCount});
    std::vector<ZELRTCContractLayout> shapes;
    for (unsigned int l = 0; l < c.layoutCount; ++l) {
      const ZELRTCBuildLayout& layout = c.layouts[l];
      shapes.push_back(
          ZELRTCContractLayout{layout.minCount, layout.maxCount, layout.minVersion, layout.maxVersion, nullptr, 0});
    }
    layouts.push_back(std::move(shapes));
  }

  // The pointers, once every vector has stopped growing.
  void Link() {
    for (size_t c = 0; c < classes.size(); ++c) {
      for (size_t l = 0; l < layouts[c].size(); ++l) {
        layouts[c][l].positions = positions[c][l].data();
        layouts[c][l].positionCount = static_cast<unsigned int>(positions[c][l].size());
      }
      classes[c].layouts = layouts[c].data();
      classes[c].getters = getters[c].data();
    }
  }
};

const Catalog& TheCatalog() {
  static const Catalog catalog = [] {
    Catalog c;
#define ZEL_RTC_ADD_CONTRACT(C) c.Add(#C, ZELRTCContractOf<C>());
    ZEL_RTC_FOR_EACH_NOTIFICATION(ZEL_RTC_ADD_CONTRACT)
#undef ZEL_RTC_ADD_CONTRACT
    c.Link();
    return c;
  }();
  return catalog;
}

}  // namespace

unsigned int ZELRTCNotificationContract::ClassCount() { return static_cast<unsigned int>(TheCatalog().classes.size()); }

const ZELRTCContractClass* ZELRTCNotificationContract::ClassAt(unsigned int index) {
  const Catalog& c = TheCatalog();
  return index < c.classes.size() ? &c.classes[index] : nullptr;
}

const ZELRTCContractClass* ZELRTCNotificationContract::Find(const char* className) {
  if (!className) return nullptr;
  for (const ZELRTCContractClass& c : TheCatalog().classes)
    if (std::strcmp(c.className, className) == 0) return &c;
  return nullptr;
}

const char* ZELRTCNotificationContract::KindName(int kind) {
  return kind >= 0 && kind < static_cast<int>(sizeof kKindNames / sizeof kKindNames[0]) ? kKindNames[kind] : nullptr;
}
