#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ZELCollabAbendInfo.h"
#include "ZELTestSupport.h"

// The texts depend on once-per-process flags: each case runs in a fresh child
// process and prints what it sees on standard output.

namespace {

const char kSeparator[] = "<|>";

std::string RunForOutput(const char* scenario) {
  ZELChildResult r = ZELRunChild(scenario);
  EXPECT_EQ(0, r.exitCode) << r.err;
  return r.out;
}

}  // namespace

ZEL_CHILD_SCENARIO(CollabDriverAndLastCall) {
  ZELCollabAbendInfo section;
  section.SetDriverName("Sametime");
  section.SetDriverName(nullptr);
  section.SetProtocol(nullptr);
  section.SetLastCall("Login(alice)");
  section.SetLastCall(nullptr);
  section.SetLastNotif(nullptr);
  std::printf("%s%s", section.Dump(), kSeparator);
  std::printf("%s", section.Dump());
  return 0;
}

TEST(ZELCollabAbendInfoTest, SecondDumpAppendsTheLastCallAgain) {
  const std::string first = "\nDriver : [Sametime]\nLast call : [Login(alice)]";
  EXPECT_EQ(first + kSeparator + first + "Last call : [Login(alice)]", RunForOutput("CollabDriverAndLastCall"));
}

ZEL_CHILD_SCENARIO(CollabNoValues) {
  ZELCollabAbendInfo section;
  std::printf("%s%s", section.Dump(), kSeparator);
  std::printf("%s", section.Dump());
  return 0;
}

TEST(ZELCollabAbendInfoTest, NoValuesGiveASingleLineFeed) {
  EXPECT_EQ(std::string("\n") + kSeparator + "\n", RunForOutput("CollabNoValues"));
}

ZEL_CHILD_SCENARIO(CollabAllValuesThenLaterSection) {
  ZELCollabAbendInfo section;
  section.SetDriverName("XMPPJava");
  section.SetLoginInfo("im.example.com", "sip:zo\xc3\xab@example.com", "zoe");
  section.SetProtocol("SIP");
  section.SetLastCall("SendMessage(bob)");
  section.SetLastNotif("ZELRTCLoginNotification");
  std::printf("%s%s", section.Dump(), kSeparator);
  ZELCollabAbendInfo later;
  std::printf("%s%s", later.Dump(), kSeparator);
  later.SetLastNotif("ZELRTCSessionNotification");
  std::printf("%s", later.Dump());
  return 0;
}

TEST(ZELCollabAbendInfoTest, FiveLinesOnlyInTheFirstStreamOfTheProcess) {
  EXPECT_EQ(std::string("\nDriver : [XMPPJava]\nServer : [im.example.com]\n"
                        "Logged user URI : [sip:zo\xc3\xab@example.com]\nLogged user account : [zoe]\n"
                        "Protocol : [SIP]\n"
                        "Last call : [SendMessage(bob)]Last notification sent : [ZELRTCLoginNotification]") +
                kSeparator + kSeparator + "Last notification sent : [ZELRTCSessionNotification]",
            RunForOutput("CollabAllValuesThenLaterSection"));
}

ZEL_CHILD_SCENARIO(CollabLoginEmptied) {
  ZELCollabAbendInfo section;
  section.SetDriverName("Lync");
  section.SetLoginInfo("server", "uri", "account");
  section.SetProtocol("SIP");
  section.SetLoginInfo("", "", "");
  std::printf("%s", section.Dump());
  return 0;
}

TEST(ZELCollabAbendInfoTest, EmptiedLoginValuesDisappear) {
  EXPECT_EQ("\nDriver : [Lync]\nProtocol : [SIP]\n", RunForOutput("CollabLoginEmptied"));
}

ZEL_CHILD_SCENARIO(CollabLastSectionAndDescription) {
  auto* older = new ZELCollabAbendInfo;
  int failures = 0;
  auto check = [&](bool ok, const char* what) { failures += ok ? 0 : (std::fprintf(stderr, "failed: %s\n", what), 1); };
  check(ZELCollabAbendInfo::GetLastCollabAbendInfo() == older, "older is the last");
  // The section was described once, by the first construction.
  ZELAbendInfo::SetInformationSpecs(ZELCollabAbendInfo::kSectionId, "RENAMED", 20, 0);
  ZELCollabAbendInfo newer;
  check(ZELCollabAbendInfo::GetLastCollabAbendInfo() == &newer, "newer is the last");
  ZELAbendInfo::SetAbendInfo(&newer);
  delete older;
  ZELCollabAbendInfo* fresh = ZELCollabAbendInfo::GetLastCollabAbendInfo();
  check(fresh && fresh != &newer, "a new object after destroying the older");
  check(ZELCollabAbendInfo::GetLastCollabAbendInfo() == fresh, "the new object is kept");
  check(ZELAbendInfo::GetAbendInfo(0) == &newer, "the registered one stays registered");
  ZELAbendInfo::WriteReport(stdout);
  ZELAbendInfo::SetAbendInfo(fresh);  // replaces newer as section 43
  check(ZELAbendInfo::GetAbendInfo(43) == fresh, "the new object is registered");
  delete fresh;  // withdraws itself
  check(ZELAbendInfo::GetAbendInfo(0) == nullptr, "the destroyed section is withdrawn");
  check(ZELCollabAbendInfo::GetLastCollabAbendInfo() != &newer, "again a new object");
  delete ZELCollabAbendInfo::GetLastCollabAbendInfo();
  return failures;
}

TEST(ZELCollabAbendInfoTest, DestroyingAnySectionMakesANewLastOne) {
  std::string out = RunForOutput("CollabLastSectionAndDescription");
  EXPECT_NE(std::string::npos, out.find("--- RENAMED (section 43) ---\n\n*** End")) << out;
}

// Crash reports: the child installs the handler, registers the collaboration
// section and dies; the report must be on its standard error and in the file.

namespace {

// A sanitizer runtime may keep its own handler for SIGSEGV (ASan does when
// run with allow_user_segv_handler=0); the child then says so and exits with 3.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderSanitizer = true;
#else
constexpr bool kUnderSanitizer = false;
#endif
#else
constexpr bool kUnderSanitizer = false;
#endif
constexpr int kHandlerRefused = 3;

volatile int g_noLimit = INT_MAX;

int Recurse(volatile char* previous, int depth) {
  volatile char frame[1024];
  frame[0] = previous ? previous[0] : static_cast<char>(0);
  if (depth >= g_noLimit) return frame[0];
  return Recurse(frame, depth + 1) + frame[0];
}

int CrashWithSection(int signal, void (*crash)()) {
  prctl(PR_SET_DUMPABLE, 0);  // no core file
  int installed = ZELAbendInfo::InstallCrashHandler();
  if (!ZELAbendInfo::IsCrashHandlerInstalled(signal)) {
    std::fprintf(stderr, "crash handler installed for %d signals, not for %d\n", installed, signal);
    return kHandlerRefused;
  }
  ZELCollabAbendInfo* section = ZELCollabAbendInfo::GetLastCollabAbendInfo();
  section->SetDriverName("XMPPJava");
  section->SetLastCall("SendMessage(bob)");
  section->SetLastNotif("ZELRTCLoginNotification");
  ZELAbendInfo::SetAbendInfo(section);
  crash();
  return 4;
}

// False when the sanitizer runtime kept its own handler.
bool ExpectCrashReport(const char* scenario, int signal, const char* signalName) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild(scenario, {}, dir.Path());
  if (kUnderSanitizer && r.exitCode == kHandlerRefused) return false;
  EXPECT_EQ(signal, r.signal) << "exit " << r.exitCode << ": " << r.err;
  std::string report = "*** ZEL crash report: signal " + std::to_string(signal) + " (" + signalName + ") in process " +
                       std::to_string(r.pid) +
                       " ***\n"
                       "--- COLLABORATION (section 43) ---\n"
                       "\nDriver : [XMPPJava]\n"
                       "Last call : [SendMessage(bob)]Last notification sent : [ZELRTCLoginNotification]\n"
                       "*** End of crash report ***\n";
  EXPECT_NE(std::string::npos, r.err.find(report)) << r.err;
  EXPECT_EQ(report, ZELReadFile(dir.Path() + "ZELCrashReport" + std::to_string(r.pid) + ".txt"));
  return true;
}

}  // namespace

ZEL_CHILD_SCENARIO(CrashWriteToReadOnlyPage) {
  return CrashWithSection(SIGSEGV, [] {
    void* page = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page != MAP_FAILED) *static_cast<volatile int*>(page) = 1;
  });
}
ZEL_CHILD_SCENARIO(CrashAbort) { return CrashWithSection(SIGABRT, [] { std::abort(); }); }
ZEL_CHILD_SCENARIO(CrashStackOverflow) {
  return CrashWithSection(SIGSEGV, [] { std::printf("%d\n", Recurse(nullptr, 0)); });
}

TEST(ZELCollabAbendInfoTest, CrashReportOnFatalSignals) {
  EXPECT_TRUE(ExpectCrashReport("CrashAbort", SIGABRT, "SIGABRT")) << "no handler for SIGABRT";
  if (!ExpectCrashReport("CrashWriteToReadOnlyPage", SIGSEGV, "SIGSEGV")) {
    GTEST_SKIP() << "the sanitizer runtime keeps its own SIGSEGV handler";
  }
  ExpectCrashReport("CrashStackOverflow", SIGSEGV, "SIGSEGV");
}
