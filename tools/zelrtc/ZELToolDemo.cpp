// zelrtc demo: a client obtains a session through the session manager; a
// driver plays the embedded scenario; the client prints one line per
// notification, read through its getters; then the trace file and the
// collaboration section of the crash report.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "ZELAbendInfo.h"
#include "ZELCollabAbendInfo.h"
#include "ZELProcessServices.h"
#include "ZELRTCMainSessionManager.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCTrace.h"
#include "ZELToolCommands.h"
#include "ZELToolEvents.h"

namespace {

const char kHelp[] =
    "usage: zelrtc demo [--trace]\n"
    "\n"
    "Plays the built-in scenario, with no server: a client obtains the XMPP session through\n"
    "ZELRTCMainSessionManager::GetSingleSession, a driver creates and builds the scenario's\n"
    "notifications (login, contact list, presence, messages, typed and split data, a file\n"
    "transfer, a call, a conference and an error whose text comes from a message catalog), and\n"
    "the client prints one line per notification. At the end: the trace file and the\n"
    "collaboration section of the crash report. --trace switches the infrastructure trace on.\n"
    "The scenario is a replay file: `zelrtc demo --print-scenario > demo.jsonl; zelrtc replay demo.jsonl`.\n"
    "\n"
    "Example:\n"
    "  zelrtc demo --trace\n";

}  // namespace

extern const char* const kZELToolDemoHelp = kHelp;

namespace {

// The client's line: the short class name and each getter's value.
void Show(const ZELRTCContractClass& c, const ZELRTCContractLayout& layout, ZELRTCNotification& n) {
  std::string name = c.className;
  if (name.rfind("ZELRTC", 0) == 0) name = name.substr(6);
  std::string line = "  " + name + ":";
  ZELToolForEachGetter(c, layout, n, [&](const char* field, const char*, const ZELRTCParam& value) {
    line += std::string(" ") + field + "=" + ZELToolText(value.ToString());
  });
  std::puts(line.c_str());
}

}  // namespace

int ZELToolDemo(const ZELToolArgs& args) {
  ZELToolOptions options;
  int status = 0;
  if (!ZELToolParseOptions(args, {"--trace", "--print-scenario"}, kHelp, options, status)) return status;
  if (options.Has("--print-scenario")) {
    std::fputs(kZELToolDemoScenario, stdout);
    return 0;
  }
  if (options.Has("--trace")) ZELRTCTrace::ActivateTrace(ZelRTCInfraTrace);

  ZELAbendInfo::InstallCrashHandler();
  ZELCollabAbendInfo* section = ZELCollabAbendInfo::GetLastCollabAbendInfo();
  section->SetDriverName("XMPPJava");
  section->SetProtocol("XMPP");
  section->SetLoginInfo(ZELUnicodeString("chat.example.org"), ZELUnicodeString("xmpp:alice@chat.example.org"),
                        ZELUnicodeString("alice"));
  ZELAbendInfo::SetAbendInfo(section);

  std::puts("Client: GetSingleSession(XMPPJava)");
  section->SetLastCall("ZELRTCMainSessionManager::GetSingleSession");
  ZELIRTCMainSession* session = nullptr;
  if (ZELRTCMainSessionManager::GetSingleSession(ZelRTCXMPPJavaDriver, session) != S_OK || !session) {
    std::fputs("zelrtc: no session: is libZELRTCMsgLayer.so next to the libraries?\n", stderr);
    return 1;
  }
  const int sessionId = session->GetSessionId();
  std::printf("  session %d of driver %d\n", sessionId, static_cast<int>(session->GetDriver()));

  const ZELToolCatalogs catalogs({std::make_pair(std::string("ZELRTCDemo"), std::string(kZELToolDemoCatalog))});
  std::puts("Driver: the scenario's notifications, as the client reads them");
  std::istringstream scenario(kZELToolDemoScenario);
  std::string line;
  unsigned long number = 0;
  bool failed = false;
  while (std::getline(scenario, line)) {
    ++number;
    if (line.empty()) continue;
    ZELToolEvent event;
    std::string error;
    if (!ZELToolParseEvent(line, event, error)) {
      std::fprintf(stderr, "scenario:%lu: %s\n", number, error.c_str());
      failed = true;
      continue;
    }
    std::string call = "Build(" + event.className + ")";
    section->SetLastCall(call.c_str());
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(event.className.c_str());
    HRESULT hr = ZELRTCNotificationBuilder::Build(n, event.Array(), event.Count(), event.version);
    const ZELRTCContractClass* c = ZELRTCNotificationContract::Find(event.className.c_str());
    const ZELRTCContractLayout* layout = ZELToolSelectLayout(*c, event.Count(), event.version);
    if (hr == S_OK && layout) {
      section->SetLastNotif(event.className.c_str());
      Show(*c, *layout, *n);
    } else {
      std::printf("  %s: Build failed\n", event.className.c_str());
      failed = true;
    }
    if (n) n->Release();
  }

  session->Release();
  ZELRTCMainSessionManager::RemoveSession(sessionId);

  const char* temp = ZELGetTempDirectory();
  std::printf("\nTrace file: %sZELRTCTrace%d.txt%s\n", temp ? temp : "", static_cast<int>(getpid()),
              ZELRTCTrace::IsTraceActive(ZelRTCInfraTrace) ? "" : " (tracing is off: run with --trace)");
  std::puts("\nCrash report, collaboration section:");
  std::fflush(stdout);
  ZELAbendInfo::WriteReport(stdout);
  return failed ? 1 : 0;
}
