// zelrtc replay: every event of a JSON Lines file created by class name, built,
// and shown with its getters' values.
#include <cstdio>

#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELToolCommands.h"
#include "ZELToolEvents.h"

using nlohmann::json;

namespace {

const char kHelp[] =
    "usage: zelrtc replay [--json] FILE\n"
    "\n"
    "Reads events as a driver sends them, one JSON object per line (FILE, or - for standard input):\n"
    "class name, layout version and the parameters as {kind, value}. Each event is created through\n"
    "the class dictionary and built; the result and, after a successful Build, the value of every\n"
    "getter are printed, as a table or as JSON Lines (--json). A bad line is reported on standard\n"
    "error with its line and position, and replay goes on. Exit status 1 when a line was bad or a\n"
    "Build failed.\n"
    "\n"
    "Example:\n"
    "  echo '{\"class\":\"ZELRTCMeetingAvailableNotification\",\"version\":0,\"params\":[\n"
    "        "
    "{\"kind\":\"UnicodeStringKind\",\"value\":\"m-42\"},{\"kind\":\"UnicodeStringKind\",\"value\":\"https://"
    "meet\"}]}' \\\n"
    "    | zelrtc replay -\n";

}  // namespace

int ZELToolReplay(const ZELToolArgs& args) {
  ZELToolOptions options;
  int status = 0;
  if (!ZELToolParseOptions(args, {"--json"}, kHelp, options, status)) return status;
  const bool asJson = options.Has("--json");
  return ZELToolForEachEvent(options, kHelp, [&](ZELToolEvent& event, unsigned long line, const std::string& path) {
    const ZELRTCContractClass* c = ZELRTCNotificationContract::Find(event.className.c_str());
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(event.className.c_str());
    if (!n) {
      std::fprintf(stderr, "%s:%lu: %s cannot be created\n", path.c_str(), line, event.className.c_str());
      return false;
    }
    HRESULT hr = ZELRTCNotificationBuilder::Build(n, event.Array(), event.Count(), event.version);
    const ZELRTCContractLayout* layout = ZELToolSelectLayout(*c, event.Count(), event.version);
    if (asJson) {
      json out = {{"line", line},
                  {"class", event.className},
                  {"version", event.version},
                  {"count", event.Count()},
                  {"result", hr == S_OK ? "S_OK" : "E_FAIL"}};
      if (hr == S_OK && layout) {
        json getters = json::object();
        ZELToolForEachGetter(*c, *layout, *n, [&](const char*, const char* getter, const ZELRTCParam& value) {
          getters[getter] = ZELToolParamToJson(value);
        });
        out["getters"] = getters;
      }
      std::puts(out.dump(-1, ' ', false, json::error_handler_t::replace).c_str());
    } else {
      std::printf("line %lu  %s  version %u, %u parameters  %s\n", line, event.className.c_str(), event.version,
                  event.Count(), hr == S_OK ? "S_OK" : "E_FAIL");
      if (hr == S_OK && layout) {
        ZELToolForEachGetter(*c, *layout, *n, [&](const char* field, const char* getter, const ZELRTCParam& value) {
          std::printf("    %-24s %-40s %s\n", field, getter, ZELToolText(value.ToString()).c_str());
        });
      }
    }
    n->Release();
    return hr == S_OK;
  });
}
