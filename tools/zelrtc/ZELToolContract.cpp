// zelrtc contract: the layouts of every notification class, read from the
// library's own build declarations.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "ZELRTCNotificationContract.h"
#include "ZELToolCommands.h"

using nlohmann::json;

namespace {

const char kHelp[] =
    "usage: zelrtc contract [--json] [CLASS...]\n"
    "\n"
    "Every registered notification class (or those named) with the layouts its Build accepts:\n"
    "the range of counts and versions, and per position the kind expected, the field it fills and\n"
    "the getter that reads it back; the exit line of its traced scope. Layouts are tried in order;\n"
    "the first that fits the count and the version is used.\n"
    "\n"
    "Example:\n"
    "  zelrtc contract ZELRTCLoginNotification\n"
    "  zelrtc contract --json | jq '.[].class'\n";

}  // namespace

extern const char* const kZELToolContractHelp = kHelp;

namespace {

const char* UseName(ZELRTCContractUse use) {
  switch (use) {
    case ZELRTCContractRequired:
      return "required";
    case ZELRTCContractResultIgnored:
      return "present, any kind";
    case ZELRTCContractOptional:
      return "optional";
    case ZELRTCContractWhenPreviousSet:
      return "required when the previous position is true";
  }
  return "";
}

const char* OrNone(const char* text) { return text ? text : "-"; }

json ToJson(const ZELRTCContractClass& c) {
  json layouts = json::array();
  for (unsigned int l = 0; l < c.layoutCount; ++l) {
    const ZELRTCContractLayout& layout = c.layouts[l];
    json positions = json::array();
    for (unsigned int i = 0; i < layout.positionCount; ++i) {
      const ZELRTCContractPosition& p = layout.positions[i];
      positions.push_back({{"index", p.index},
                           {"kind", p.kindName},
                           {"field", p.field ? json(p.field) : json(nullptr)},
                           {"getter", p.getter ? json(p.getter) : json(nullptr)},
                           {"use", UseName(p.use)},
                           {"readByHook", p.byHook != 0}});
    }
    layouts.push_back({{"minCount", layout.minCount},
                       {"maxCount", layout.maxCount},
                       {"minVersion", layout.minVersion},
                       {"maxVersion", layout.maxVersion},
                       {"positions", positions}});
  }
  json getters = json::array();
  for (unsigned int g = 0; g < c.getterCount; ++g)
    getters.push_back({{"field", c.getters[g].field}, {"getter", c.getters[g].getter}});
  return {{"class", c.className},   {"method", c.method},
          {"exitLine", c.exitLine}, {"countInEntryLine", c.countInEntry != 0},
          {"layouts", layouts},     {"computedGetters", getters}};
}

void PrintTable(const ZELRTCContractClass& c) {
  std::printf("%s  (scope %s, exit line %d%s)\n", c.className, c.method, c.exitLine,
              c.countInEntry ? ", count in the entry line" : "");
  for (unsigned int l = 0; l < c.layoutCount; ++l) {
    const ZELRTCContractLayout& layout = c.layouts[l];
    std::printf("  layout %u: count ", l + 1);
    if (layout.minCount == layout.maxCount)
      std::printf("%u", layout.minCount);
    else
      std::printf("%u to %u", layout.minCount, layout.maxCount);
    if (layout.minVersion == 0 && layout.maxVersion == 65535)
      std::printf(", any version\n");
    else if (layout.maxVersion == 65535)
      std::printf(", version %u or later\n", layout.minVersion);
    else
      std::printf(", version %u to %u\n", layout.minVersion, layout.maxVersion);
    for (unsigned int i = 0; i < layout.positionCount; ++i) {
      const ZELRTCContractPosition& p = layout.positions[i];
      std::printf("    %2u  %-18s %-36s %-38s %s%s\n", p.index, OrNone(p.kindName), OrNone(p.field), OrNone(p.getter),
                  UseName(p.use), p.byHook ? ", read by the class's own code" : "");
    }
  }
  for (unsigned int g = 0; g < c.getterCount; ++g)
    std::printf("  computed by Build: %s, read by %s\n", c.getters[g].field, c.getters[g].getter);
}

}  // namespace

int ZELToolContract(const ZELToolArgs& args) {
  ZELToolOptions options;
  int status = 0;
  if (!ZELToolParseOptions(args, {"--json"}, kHelp, options, status)) return status;
  std::vector<const ZELRTCContractClass*> classes;
  for (const std::string& name : options.operands) {
    const ZELRTCContractClass* c = ZELRTCNotificationContract::Find(name.c_str());
    if (!c) {
      std::fprintf(stderr, "zelrtc: unknown class %s\n", name.c_str());
      return 1;
    }
    classes.push_back(c);
  }
  if (options.operands.empty())
    for (unsigned int i = 0; i < ZELRTCNotificationContract::ClassCount(); ++i)
      classes.push_back(ZELRTCNotificationContract::ClassAt(i));
  if (options.Has("--json")) {
    json all = json::array();
    for (const ZELRTCContractClass* c : classes) all.push_back(ToJson(*c));
    std::puts(all.dump(2).c_str());
  } else {
    for (const ZELRTCContractClass* c : classes) PrintTable(*c);
  }
  return 0;
}
