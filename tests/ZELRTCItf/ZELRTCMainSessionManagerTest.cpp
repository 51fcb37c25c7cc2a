// The session manager runs in fresh child processes: its registry, the cached
// environment and the exit handler are process-wide. The children print what
// they observe; the tests compare it whole.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ZELProcessServices.h"
#include "ZELRTCMainSessionManager.h"
#include "ZELRTCUtilities.h"
#include "ZELTestSupport.h"

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;
const std::string kComponents = ZEL_TEST_COMPONENTS_DIR;

// The current count of a session's references.
unsigned long Refs(ZELIRTCMainSession* s) {
  s->AddRef();
  return s->Release();
}

unsigned Hex(HRESULT hr) { return static_cast<unsigned>(hr); }

int OpenCount() {
  ZELListPtrZELIRTCMainSession open;
  ZELRTCMainSessionManager::GetOpenSessions(open);
  int size = open.Size();
  ZELRTCUtilities::Release(open);
  return size;
}

struct ChildRun {
  ZELTempDir tmp;
  ZELChildResult child;
  std::vector<std::string> trace;
  ChildRun(const char* scenario, Env env) {
    env.push_back({"ZELRTCInfraTrace", "1"});
    child = ZELRunChild(scenario, env, tmp.Path());
    std::string path = ZELTraceFilePath(tmp.Path(), child.pid);
    trace = ZELTraceLines(ZELReadFile(path));
    // Only what the child printed itself.
    std::string activated = "RTC trace activated at path:\n" + path + "\n";
    size_t at = child.out.find(activated);
    if (at != std::string::npos) child.out.erase(at, activated.size());
    if (!trace.empty()) trace.erase(trace.begin());  // the header
  }
};

const char kEntry[] = "[INF] [>] ZELRTCMainSessionManager::CreateSession driver=";
const char kExit[] = "[INF] [<] ZELRTCMainSessionManager::CreateSession";

}  // namespace

ZEL_CHILD_SCENARIO(ManagerLifecycle) {
  ZELIRTCMainSession* s = nullptr;
  std::printf("before: get=0x%X remove=0x%X open=%d\n", Hex(ZELRTCMainSessionManager::GetSession(1, s)),
              Hex(ZELRTCMainSessionManager::RemoveSession(1)), OpenCount());
  HRESULT hr = ZELRTCMainSessionManager::CreateSession(ZelRTCUCCPDriver, s);
  std::printf("create: hr=0x%X driver=%d refs=%lu\n", Hex(hr), s->GetDriver(), Refs(s));

  ZELListPtrZELIRTCMainSession open;
  ZELRTCMainSessionManager::GetOpenSessions(open);
  std::printf("open: size=%d same=%d refs=%lu\n", open.Size(), open[1] == s, Refs(s));
  ZELRTCUtilities::Release(open);

  ZELIRTCMainSession* t = reinterpret_cast<ZELIRTCMainSession*>(&open);  // overwritten with the answer
  hr = ZELRTCMainSessionManager::GetSession(s->GetSessionId(), t);
  std::printf("get: hr=0x%X same=%d refs=%lu\n", Hex(hr), t == s, Refs(s));
  t->Release();
  hr = ZELRTCMainSessionManager::GetSingleSession(ZelRTCUCCPDriver, t);
  std::printf("single UCCP: hr=0x%X same=%d refs=%lu\n", Hex(hr), t == s, Refs(s));
  t->Release();

  ZELIRTCMainSession* lync = nullptr;
  hr = ZELRTCMainSessionManager::GetSingleSession(ZelRTCLyncDriver, lync);
  std::printf("single Lync: hr=0x%X driver=%d own id=%d refs=%lu\n", Hex(hr), lync->GetDriver(),
              lync->GetSessionId() != s->GetSessionId(), Refs(lync));
  ZELRTCMainSessionManager::GetOpenSessions(open);
  std::printf("open: size=%d order=%d\n", open.Size(), open[1] == s && open[2] == lync);
  ZELRTCUtilities::Release(open);

  int id = s->GetSessionId();
  hr = ZELRTCMainSessionManager::RemoveSession(id);
  std::printf("remove: hr=0x%X refs=%lu\n", Hex(hr), Refs(s));
  HRESULT removed = ZELRTCMainSessionManager::RemoveSession(id);
  hr = ZELRTCMainSessionManager::GetSession(id, t);
  std::printf("again: remove=0x%X get=0x%X null=%d open=%d\n", Hex(removed), Hex(hr), t == nullptr, OpenCount());
  s->Release();
  lync->Release();  // still registered: released at exit
  return 0;
}

TEST(ZELRTCMainSessionManagerTest, CreatesFindsListsAndRemovesSessions) {
  ChildRun run("ManagerLifecycle", {});
  ASSERT_EQ(0, run.child.exitCode) << run.child.err;
  EXPECT_EQ(
      "before: get=0x80004005 remove=0x80004005 open=0\n"
      "create: hr=0x0 driver=3 refs=2\n"
      "open: size=1 same=1 refs=3\n"
      "get: hr=0x0 same=1 refs=3\n"
      "single UCCP: hr=0x0 same=1 refs=3\n"
      "single Lync: hr=0x0 driver=7 own id=1 refs=2\n"
      "open: size=2 order=1\n"
      "remove: hr=0x0 refs=1\n"
      "again: remove=0x80004005 get=0x80004005 null=1 open=1\n",
      run.child.out);
  // Finding a registered session writes nothing.
  EXPECT_EQ((std::vector<std::string>{kEntry + std::string("3"), kExit, kEntry + std::string("7"), kExit}), run.trace);
}

// Sessions left registered are released at exit, after the caller's own.
ZEL_CHILD_SCENARIO(ManagerReleasesAtExit) {
  ZELIRTCMainSession* s[3] = {};
  for (ZelRTCDriver d : {ZelRTCUCCPDriver, ZelRTCP2PDriver, ZelRTCNodejsDriver}) {
    ZELIRTCMainSession* session = nullptr;
    ZELRTCMainSessionManager::CreateSession(d, session);
    s[session->GetSessionId() - 1] = session;
  }
  ZELRTCMainSessionManager::RemoveSession(2);
  for (ZELIRTCMainSession* session : s) session->Release();
  std::printf("exiting\n");
  return 0;
}

TEST(ZELRTCMainSessionManagerTest, RegistryGivesBackItsReferencesAtExit) {
  ChildRun run("ManagerReleasesAtExit", {{"ZELComponentPath", kComponents + "probe"}});
  ASSERT_EQ(0, run.child.exitCode) << run.child.err;  // and no leak report
  EXPECT_EQ(
      "created session 1 with driver 3\n"
      "created session 2 with driver 2\n"
      "created session 3 with driver 8\n"
      "final release of session 2\n"
      "exiting\n"
      "final release of session 1\n"
      "final release of session 3\n",
      run.child.out);
}

// "<requested> -> <driver the component received>", for the environment given.
ZEL_CHILD_SCENARIO(ManagerDriverOverrides) {
  struct Case {
    const char* hbx;
    const char* driver;
  } const cases[] = {{nullptr, nullptr}, {nullptr, "NODEJS"}, {"", nullptr},   {"", "P2P"},    {"", "ST"},
                     {"", "MS"},         {"", "UCCP"},        {"1", "LYNC"},   {"", "NODEJS"}, {"", "XMPPJ"},
                     {"", "XMPPJava"},   {"", "nodejs"},      {"", "NODEJS "}, {"", "XMPP"}};
  for (const Case& c : cases) {
    c.hbx ? setenv("HBX_ODT_IN", c.hbx, 1) : unsetenv("HBX_ODT_IN");
    c.driver ? setenv("ZELRTCDriver", c.driver, 1) : unsetenv("ZELRTCDriver");
    std::printf("[%s|%s]", c.hbx ? "test" : "-", c.driver ? c.driver : "-");
    for (ZelRTCDriver d : {ZelRTCSametimeDriver, ZelRTCUCCPDriver}) {
      ZELIRTCMainSession* s = nullptr;
      ZELRTCMainSessionManager::CreateSession(d, s);
      std::printf(" %d->%d", d, s->GetDriver());
      s->Release();
    }
    std::printf("\n");
  }
  return 0;
}

TEST(ZELRTCMainSessionManagerTest, DriverOverridesReachTheFactoryNotTheEntryLine) {
  const char* expected =
      "[-|-] 0->0 3->3\n"
      "[-|NODEJS] 0->0 3->3\n"
      "[test|-] 0->0 3->3\n"
      "[test|P2P] 0->2 3->2\n"
      "[test|ST] 0->0 3->0\n"
      "[test|MS] 0->1 3->1\n"
      "[test|UCCP] 0->3 3->3\n"
      "[test|LYNC] 0->7 3->7\n"
      "[test|NODEJS] 0->8 3->8\n"
      "[test|XMPPJ] 0->5 3->5\n"
      "[test|XMPPJava] 0->5 3->5\n"
      "[test|nodejs] 0->0 3->3\n"
      "[test|NODEJS ] 0->0 3->3\n"
      "[test|XMPP] 0->0 3->3\n";
  ChildRun plain("ManagerDriverOverrides", {});
  ASSERT_EQ(0, plain.child.exitCode) << plain.child.err;
  EXPECT_EQ(expected, plain.child.out);

  // "ZELMSLive" makes every session an MSLive one, unless test mode names a driver.
  ChildRun msLive("ManagerDriverOverrides", {{"ZELMSLive", "1"}});
  ASSERT_EQ(0, msLive.child.exitCode) << msLive.child.err;
  std::string out = msLive.child.out;
  EXPECT_EQ(0u, out.find("[-|-] 0->1 3->1\n[-|NODEJS] 0->1 3->1\n[test|-] 0->1 3->1\n[test|P2P] 0->2 3->2\n")) << out;
  EXPECT_NE(std::string::npos, out.find("[test|nodejs] 0->1 3->1\n")) << out;
  // The entry line shows the driver as requested.
  ASSERT_EQ(4u * 14, msLive.trace.size());
  EXPECT_EQ(kEntry + std::string("0"), msLive.trace[0]);
  EXPECT_EQ(kEntry + std::string("3"), msLive.trace[2]);
}

// GetSingleSession looks for the driver as requested, before any override.
ZEL_CHILD_SCENARIO(ManagerSingleSessionUnderMSLive) {
  ZELIRTCMainSession *a = nullptr, *b = nullptr, *c = nullptr;
  ZELRTCMainSessionManager::GetSingleSession(ZelRTCUCCPDriver, a);
  ZELRTCMainSessionManager::GetSingleSession(ZelRTCUCCPDriver, b);
  ZELRTCMainSessionManager::GetSingleSession(ZelRTCMSLiveDriver, c);
  std::printf("UCCP twice: %s; MSLive: %s; open=%d\n", a == b ? "same" : "two", c == a ? "first" : "other",
              OpenCount());
  for (ZELIRTCMainSession* s : {a, b, c}) s->Release();
  return 0;
}

TEST(ZELRTCMainSessionManagerTest, SingleSessionMatchesTheRequestedDriver) {
  ChildRun run("ManagerSingleSessionUnderMSLive", {{"ZELMSLive", ""}});
  ASSERT_EQ(0, run.child.exitCode) << run.child.err;
  EXPECT_EQ("UCCP twice: two; MSLive: first; open=2\n", run.child.out);
}

// Failures leave the registry as it was.
ZEL_CHILD_SCENARIO(ManagerFailures) {
  ZELIRTCMainSession* kept = nullptr;
  HRESULT hr = ZELRTCMainSessionManager::CreateSession(ZelRTCP2PDriver, kept);
  std::printf("first: hr=0x%X open=%d\n", Hex(hr), OpenCount());
  for (const char* mode : {"fail", "null"}) {
    setenv("ZELTestSessionQI", mode, 1);
    ZELIRTCMainSession* s = kept;
    hr = ZELRTCMainSessionManager::GetSingleSession(ZelRTCLyncDriver, s);
    std::printf("%s: hr=0x%X null=%d open=%d\n", mode, Hex(hr), s == nullptr, OpenCount());
  }
  if (kept) kept->Release();
  return 0;
}

TEST(ZELRTCMainSessionManagerTest, FailuresRegisterNothing) {
  // A library that is not a component library, or of an unknown version:
  // nothing is created, the entry and exit lines are written.
  for (const char* folder : {"foreign", "wrongversion"}) {
    ChildRun run("ManagerFailures", {{"ZELComponentPath", kComponents + folder}});
    ASSERT_EQ(0, run.child.exitCode) << run.child.err;
    EXPECT_EQ("first: hr=0x80004005 open=0\nfail: hr=0x80004005 null=1 open=0\nnull: hr=0x80004005 null=1 open=0\n",
              run.child.out)
        << folder;
    EXPECT_EQ((std::vector<std::string>{kEntry + std::string("2"), kExit, kEntry + std::string("7"), kExit,
                                        kEntry + std::string("7"), kExit}),
              run.trace);
  }
  // The session interface refused, or granted as null: the component is released at once.
  ChildRun probe("ManagerFailures", {{"ZELComponentPath", kComponents + "probe"}});
  ASSERT_EQ(0, probe.child.exitCode) << probe.child.err;
  EXPECT_EQ(
      "created session 1 with driver 2\n"
      "first: hr=0x0 open=1\n"
      "created session 2 with driver 7\n"
      "final release of session 2\n"
      "fail: hr=0x80004002 null=1 open=1\n"
      "created session 3 with driver 7\n"
      "final release of session 3\n"
      "null: hr=0x0 null=1 open=1\n"
      "final release of session 1\n",
      probe.child.out);
}

namespace {
void PrintFatalError(const char* text, const char* t2, const char* t3, const char* t4, const char* path, int line) {
  std::printf("fatal: %s|%s|%s|%s|%s|%d\n", text, t2 ? t2 : "null", t3 ? t3 : "null", t4 ? t4 : "null", path, line);
}
}  // namespace

ZEL_CHILD_SCENARIO(ManagerInvalidDriver) {
  if (!std::getenv("ZELTestDefaultFatalError")) ZELSetFatalErrorHandler(&PrintFatalError);
  for (int driver : {0, 1, 2, 3, 5, 6, 7, 8, 4, -1, 9}) {
    ZELIRTCMainSession* s = nullptr;
    HRESULT hr = ZELRTCMainSessionManager::CreateSession(static_cast<ZelRTCDriver>(driver), s);
    if (driver == 4 || driver < 0 || driver > 8) {
      std::printf("%d: hr=0x%X driver=%d\n", driver, Hex(hr), s ? s->GetDriver() : -100);
    }
    if (s) s->Release();
  }
  return 0;
}

TEST(ZELRTCMainSessionManagerTest, InvalidDriverIsAFatalError) {
  const std::string fatal =
      "fatal: AssertionFailed:(iSessionDriver == ZelRTCSametimeDriver) || (iSessionDriver == ZelRTCMSLiveDriver) || "
      "(iSessionDriver == ZelRTCP2PDriver) || (iSessionDriver == ZelRTCUCCPDriver) || "
      "(iSessionDriver == ZelRTCXMPPJavaDriver) || (iSessionDriver == ZelRTCXMPPIOSDriver) || "
      "(iSessionDriver == ZelRTCLyncDriver) || (iSessionDriver == ZelRTCNodejsDriver)"
      "|null|null|null|ZELCollaborationInfra/ZELRTCItf.m/src/ZELRTCMainSessionManager|32\n";
  ChildRun run("ManagerInvalidDriver", {});
  ASSERT_EQ(0, run.child.exitCode) << run.child.err;
  // When the platform returns, creation goes on with the value passed.
  EXPECT_EQ(fatal + "4: hr=0x0 driver=4\n" + fatal + "-1: hr=0x0 driver=-1\n" + fatal + "9: hr=0x0 driver=9\n",
            run.child.out);
  EXPECT_EQ(kEntry + std::string("-1"), run.trace[2 * 9]);

  ChildRun aborted("ManagerInvalidDriver", {{"ZELTestDefaultFatalError", "1"}});
  EXPECT_EQ(SIGABRT, aborted.child.signal);
  EXPECT_NE(std::string::npos, aborted.child.err.find("ZELRTCMainSessionManager:32")) << aborted.child.err;
}
