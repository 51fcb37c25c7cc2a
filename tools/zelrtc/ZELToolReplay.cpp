// zelrtc replay: every event of a JSON Lines file created by class name, built,
// and shown with its getters' values.
#include <cstdio>

#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELToolCommands.h"
#include "ZELToolEvents.h"

namespace {

const char kHelp[] =
    "usage: zelrtc replay [--json] FILE\n"
    "\n"
    "Reads events as a driver sends them, one JSON object per line (FILE, or - for standard input):\n"
    "class name, layout version and the parameters as {kind, value}. Each event is created through\n"
    "the class dictionary and built; the result and, after a successful Build, the value of every\n"
    "getter are printed, as a table or as JSON Lines (--json). A bad line is reported on standard\n"
    "error with its line and position, and replay goes on. Exit status 1 when a line was bad or a\n"
    "Build failed. A recording of `zelrtc connect --record` replays to the lines connect printed.\n"
    "\n"
    "Example:\n"
    "  echo '{\"class\":\"ZELRTCMeetingAvailableNotification\",\"version\":0,\"params\":[\n"
    "        "
    "{\"kind\":\"UnicodeStringKind\",\"value\":\"m-42\"},{\"kind\":\"UnicodeStringKind\",\"value\":\"https://"
    "meet\"}]}' \\\n"
    "    | zelrtc replay -\n";

}  // namespace

extern const char* const kZELToolReplayHelp = kHelp;

int ZELToolReplay(const ZELToolArgs& args) {
  ZELToolOptions options;
  int status = 0;
  if (!ZELToolParseOptions(args, {"--json"}, kHelp, options, status)) return status;
  const bool asJson = options.Has("--json");
  const ZELToolCatalogs catalogs(
      {std::make_pair(std::string(kZELToolRecordedCatalogName), std::string(kZELToolRecordedCatalog))});
  return ZELToolForEachEvent(options, kHelp, [&](ZELToolEvent& event, unsigned long line, const std::string& path) {
    const ZELRTCContractClass* c = ZELRTCNotificationContract::Find(event.className.c_str());
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(event.className.c_str());
    if (!n) {
      std::fprintf(stderr, "%s:%lu: %s cannot be created\n", path.c_str(), line, event.className.c_str());
      return false;
    }
    HRESULT hr = ZELRTCNotificationBuilder::Build(n, event.Array(), event.Count(), event.version);
    const ZELRTCContractLayout* layout = ZELToolSelectLayout(*c, event.Count(), event.version);
    std::fputs(ZELToolShowEvent(line, event.className, event.version, event.Count(), hr == S_OK, *c, layout, n, asJson)
                   .c_str(),
               stdout);
    n->Release();
    return hr == S_OK;
  });
}
