#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>

#include "ZELAbendInfo.h"
#include "ZELTestSupport.h"

namespace {

class Section : public ZELAbendInfo {
 public:
  Section(short id, char* text) : ZELAbendInfo(id), _text(text) {}
  char* Dump() override { return _text; }

 private:
  char* _text;
};

std::string Report() {
  char* buffer = nullptr;
  size_t length = 0;
  FILE* stream = open_memstream(&buffer, &length);
  EXPECT_EQ(0, ZELAbendInfo::WriteReport(stream));
  std::fclose(stream);
  std::string text(buffer, length);
  std::free(buffer);
  return text;
}

}  // namespace

TEST(ZELAbendInfoTest, RegistryByIdentifierAndMostRecent) {
  EXPECT_EQ(nullptr, ZELAbendInfo::GetAbendInfo(0));
  Section a(101, nullptr), b(102, nullptr);
  EXPECT_TRUE(ZELAbendInfo::SetAbendInfo(&a) == 0 && ZELAbendInfo::SetAbendInfo(&b) == 0);
  EXPECT_TRUE(ZELAbendInfo::GetAbendInfo(0) == &b && ZELAbendInfo::GetAbendInfo(101) == &a &&
              ZELAbendInfo::GetAbendInfo(103) == nullptr);

  // Registering again makes it the most recent; a second object of the same
  // identifier replaces the first.
  ZELAbendInfo::SetAbendInfo(&a);
  EXPECT_EQ(&a, ZELAbendInfo::GetAbendInfo(0));
  Section a2(101, nullptr);
  ZELAbendInfo::SetAbendInfo(&a2);
  EXPECT_EQ(&a2, ZELAbendInfo::GetAbendInfo(101));

  // Null withdraws the most recent one; so does destruction, wherever it is.
  EXPECT_EQ(0, ZELAbendInfo::SetAbendInfo(nullptr));
  EXPECT_TRUE(ZELAbendInfo::GetAbendInfo(101) == nullptr && ZELAbendInfo::GetAbendInfo(0) == &b);
  {
    Section c(103, nullptr);
    ZELAbendInfo::SetAbendInfo(&c);
    ZELAbendInfo::SetAbendInfo(&a);
  }
  EXPECT_TRUE(ZELAbendInfo::GetAbendInfo(103) == nullptr && ZELAbendInfo::GetAbendInfo(0) == &a);
  ZELAbendInfo::SetAbendInfo(nullptr);
  ZELAbendInfo::SetAbendInfo(nullptr);
  EXPECT_EQ(nullptr, ZELAbendInfo::GetAbendInfo(0));
  EXPECT_EQ(0, ZELAbendInfo::SetAbendInfo(nullptr));
}

TEST(ZELAbendInfoTest, ReportGivesSectionsByOrderWithNamesAndTexts) {
  char one[] = "one\n", two[] = "two", empty[] = "";
  EXPECT_EQ(-1, ZELAbendInfo::SetInformationSpecs(0, "ZERO", 1, 0));
  EXPECT_EQ(0, ZELAbendInfo::SetInformationSpecs(201, "OLD NAME", 20, 0));
  EXPECT_EQ(0, ZELAbendInfo::SetInformationSpecs(201, "SECOND", 20, 0));
  EXPECT_EQ(0, ZELAbendInfo::SetInformationSpecs(202, "FIRST", 10, 0));
  EXPECT_EQ(0, ZELAbendInfo::SetInformationSpecs(204, "LAST", 30, 0));
  Section s201(201, two), s202(202, one), s203(203, nullptr), s204(204, empty);
  for (Section* s : {&s201, &s204, &s202, &s203}) ZELAbendInfo::SetAbendInfo(s);

  // A section without a description has order 0 and no name.
  EXPECT_EQ("*** ZEL crash report: on request in process " + std::to_string(getpid()) +
                " ***\n"
                "--- Unnamed (section 203) ---\n"
                "--- FIRST (section 202) ---\none\n"
                "--- SECOND (section 201) ---\ntwo\n"
                "--- LAST (section 204) ---\n"
                "*** End of crash report ***\n",
            Report());
  EXPECT_EQ(-1, ZELAbendInfo::WriteReport(nullptr));
}

namespace {

pthread_t g_otherThread;

// While its text is asked for, another thread dies of SIGILL.
class SlowSection : public ZELAbendInfo {
 public:
  SlowSection() : ZELAbendInfo(301) {}
  char* Dump() override {
    pthread_kill(g_otherThread, SIGILL);
    struct timespec pause = {0, 300 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    return _text;
  }

 private:
  char _text[10] = "slow text";
};

}  // namespace

ZEL_CHILD_SCENARIO(AbendTwoThreadsDie) {
  prctl(PR_SET_DUMPABLE, 0);  // no core file
  ZELAbendInfo::InstallCrashHandler();
  if (!ZELAbendInfo::IsCrashHandlerInstalled(SIGABRT) || !ZELAbendInfo::IsCrashHandlerInstalled(SIGILL)) return 3;
  ZELAbendInfo::SetInformationSpecs(301, "SLOW", 1, 0);
  static SlowSection section;
  ZELAbendInfo::SetAbendInfo(&section);
  std::thread other([] {
    for (;;) pause();
  });
  g_otherThread = other.native_handle();
  std::abort();
}

TEST(ZELAbendInfoTest, AFatalSignalOfAnotherThreadWaitsForTheReport) {
  ZELTempDir dir;
  ZELChildResult r = ZELRunChild("AbendTwoThreadsDie", {}, dir.Path());
  EXPECT_EQ(SIGABRT, r.signal) << "exit " << r.exitCode << ": " << r.err;
  EXPECT_EQ("*** ZEL crash report: signal 6 (SIGABRT) in process " + std::to_string(r.pid) +
                " ***\n--- SLOW (section 301) ---\nslow text\n*** End of crash report ***\n",
            r.err);
}
