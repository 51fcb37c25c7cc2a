// zelrtc check: what Build would answer for each recorded event, from the
// contract alone.
#include <cstdio>

#include "ZELToolCommands.h"
#include "ZELToolEvents.h"

using nlohmann::json;

namespace {

const char kHelp[] =
    "usage: zelrtc check [--json] FILE\n"
    "\n"
    "Validates the events of a JSON Lines file (as for replay; - for standard input) against the\n"
    "contract, without creating or building anything: for each event, S_OK or E_FAIL as Build would\n"
    "return it and, for E_FAIL, why: no layout for the count and version, or the first position\n"
    "that is null or of a kind its reader refuses, with the kind expected. Exit status 1 when a\n"
    "line was bad or an event would fail.\n"
    "\n"
    "Example:\n"
    "  zelrtc check recorded.jsonl\n";

}  // namespace

extern const char* const kZELToolCheckHelp = kHelp;

namespace {

struct Verdict {
  bool ok = true;
  int position = -1;
  std::string expected;
  std::string got;
  std::string reason;
};

std::string Accepted(const ZELRTCContractClass& c) {
  std::string text;
  for (unsigned int l = 0; l < c.layoutCount; ++l) {
    const ZELRTCContractLayout& layout = c.layouts[l];
    if (!text.empty()) text += "; ";
    text += "count " + std::to_string(layout.minCount);
    if (layout.maxCount != layout.minCount) text += " to " + std::to_string(layout.maxCount);
    if (layout.minVersion > 0) text += " from version " + std::to_string(layout.minVersion);
    if (layout.maxVersion < 65535) text += " up to version " + std::to_string(layout.maxVersion);
  }
  return text;
}

Verdict Check(const ZELRTCContractClass& c, ZELToolEvent& event) {
  Verdict v;
  const ZELRTCContractLayout* layout = ZELToolSelectLayout(c, event.Count(), event.version);
  if (!layout) {
    v.ok = false;
    v.reason = "count " + std::to_string(event.Count()) + " with version " + std::to_string(event.version) +
               " fits no layout (accepted: " + Accepted(c) + ")";
    return v;
  }
  for (unsigned int i = 0; i < layout->positionCount && i < event.Count(); ++i) {
    const ZELRTCContractPosition& p = layout->positions[i];
    const ZELRTCParam* param = event.pointers[i];
    if (p.use == ZELRTCContractOptional) continue;
    if (p.use == ZELRTCContractWhenPreviousSet) {
      const ZELRTCParam* previous = i > 0 ? event.pointers[i - 1] : nullptr;
      if (!previous || previous->GetType() != ZELRTCParam::BoolKind || !previous->GetBoolValue()) continue;
    }
    v.position = static_cast<int>(i);
    v.expected = p.kindName;
    if (!param) {
      v.ok = false;
      v.reason = "position " + std::to_string(i) + " (" + p.field + ") is null; expected " + p.kindName;
      return v;
    }
    if (p.use == ZELRTCContractResultIgnored) continue;
    if (!p.accepts(*param)) {
      v.ok = false;
      v.got = ZELRTCNotificationContract::KindName(param->GetType());
      v.reason = "position " + std::to_string(i) + " (" + p.field + "): expected " + p.kindName + ", got " + v.got;
      if (param->GetType() == p.kind) v.reason += " without a value";
      return v;
    }
  }
  v.position = -1;
  v.expected.clear();
  return v;
}

}  // namespace

int ZELToolCheck(const ZELToolArgs& args) {
  ZELToolOptions options;
  int status = 0;
  if (!ZELToolParseOptions(args, {"--json"}, kHelp, options, status)) return status;
  const bool asJson = options.Has("--json");
  return ZELToolForEachEvent(options, kHelp, [&](ZELToolEvent& event, unsigned long line, const std::string&) {
    Verdict v = Check(*ZELRTCNotificationContract::Find(event.className.c_str()), event);
    if (asJson) {
      json out = {{"line", line},
                  {"class", event.className},
                  {"version", event.version},
                  {"count", event.Count()},
                  {"result", v.ok ? "S_OK" : "E_FAIL"}};
      if (!v.ok) {
        out["reason"] = v.reason;
        out["position"] = v.position >= 0 ? json(v.position) : json(nullptr);
        out["expected"] = v.expected.empty() ? json(nullptr) : json(v.expected);
        out["got"] = v.got.empty() ? json(nullptr) : json(v.got);
      }
      std::puts(out.dump().c_str());
    } else {
      std::printf("line %lu  %s  %s%s%s\n", line, event.className.c_str(), v.ok ? "S_OK" : "E_FAIL", v.ok ? "" : ": ",
                  v.reason.c_str());
    }
    return v.ok;
  });
}
