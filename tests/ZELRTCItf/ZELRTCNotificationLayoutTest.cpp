// The layouts of the login, session, error, client-event, message, data and
// file-transfer notifications: counts and versions at their boundaries, null
// and wrong-kind elements at every position, exit lines. Created by class name.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ZELCountingFakes.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

namespace {

struct Row {
  unsigned int count;
  unsigned short version;
  HRESULT expected;
};

struct ClassCase {
  const char* name;
  int exitLine;
  std::function<void(ZELTestParams&, ZELIRTCUser*)> fill;  // the longest valid array
  unsigned short version;                                  // one that accepts it
  std::set<unsigned int> wrongKindAccepted;                // positions that pass over another kind
  std::vector<Row> rows;
};

const HRESULT S = S_OK, F = E_FAIL;
const ClassCase kCases[] = {
    {"ZELRTCLoginNotification",
     75,
     [](ZELTestParams& p, ZELIRTCUser* u) { p.Add(1).Str("h").Add(u).Add(2); },
     0,
     {},
     {{4, 0, S}, {4, 65535, S}, {3, 0, F}, {5, 0, F}, {0, 0, F}}},
    {"ZELRTCSessionNotification",
     74,
     [](ZELTestParams& p, ZELIRTCUser*) {
       p.Add(1).Add(2).Str("id").Str("name").Bool(0).Add(3).Add(4).Bool(1).Add(5).Bool(0).Add(6);
     },
     2,
     {},
     {{6, 0, S},
      {6, 1, S},
      {6, 3, S},
      {11, 0, F},
      {11, 1, F},
      {11, 2, S},
      {11, 65535, S},
      {5, 2, F},
      {7, 2, F},
      {10, 2, F},
      {12, 2, F}}},
    {"ZELRTCErrorNotification",
     71,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("NoSuchCatalog").Str("Key").Str("arg"); },
     0,
     {},
     {{0, 0, F}, {1, 0, F}, {2, 0, S}, {2, 65535, S}, {3, 0, S}, {4, 0, F}}},
    {"ZELRTCClientEventNotification",
     56,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Add(1).Add(2).Bool(1).Add(3).Bool(0).Add(4); },
     0,
     {},
     {{6, 0, S}, {6, 65535, S}, {5, 0, F}, {7, 0, F}}},
    {"ZELRTCInstantMessageReceivedNotification",
     55,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("id").Str("name").Str("text").Bool(1).Add(2); },
     3,
     {},
     {{4, 0, S}, {4, 2, S}, {4, 3, S}, {4, 65535, S}, {5, 2, F}, {5, 3, S}, {3, 3, F}, {6, 3, F}}},
    {"ZELRTCDataReceivedNotification",
     66,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("id").Str("name").Str("type").Add("ab", 2).Add(2).Bool(0).Add(1); },
     3,
     {3},
     {{6, 0, S}, {6, 3, S}, {7, 2, F}, {7, 3, S}, {5, 3, F}, {8, 3, F}}},
    {"ZELRTCTypedDataReceivedNotification",
     75,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("id").Str("name").Str("svc").Add("ab", 2).Add(2).Bool(0).Add(1); },
     3,
     {3},
     {{6, 0, S}, {6, 3, S}, {7, 2, F}, {7, 3, S}, {5, 3, F}, {8, 3, F}}},
    {"ZELRTCSplittedDataReceivedNotification",
     65,
     [](ZELTestParams& p, ZELIRTCUser*) {
       p.Str("id").Str("name").Str("type").Add("ab", 2).Add(2).Bool(0).Bool(1).Add(1);
     },
     3,
     {3},
     {{7, 0, S}, {7, 3, S}, {8, 2, F}, {8, 3, S}, {6, 3, F}, {9, 3, F}}},
    {"ZELRTCFileTransferNotification",
     69,
     [](ZELTestParams& p, ZELIRTCUser*) {
       p.Add(1).Add(0).Str("e").Str("id").Str("n").Str("t").Str("f").Str("d").Str("ty").Add(1).Add(2).Add(3);
     },
     0,
     {},
     {{12, 0, S}, {12, 65535, S}, {11, 0, F}, {13, 0, F}}},
};

// Builds from a heap array of exactly `count` elements (padded with ints), so
// that a read past its end is caught by the address sanitizer.
HRESULT BuildExact(ZELRTCNotification* n, ZELTestParams& p, unsigned int count, unsigned short version) {
  while (p.size() < count) p.Add(0);
  std::unique_ptr<ZELRTCParam*[]> exact(new ZELRTCParam*[count]);
  for (unsigned int i = 0; i < count; ++i) exact[i] = p.array[i];
  return ZELRTCNotificationBuilder::Build(n, exact.get(), count, version);
}

}  // namespace

TEST(ZELRTCNotificationLayoutTest, CountAndVersionBoundaries) {
  FakeUser user("user");
  for (const ClassCase& c : kCases) {
    for (const Row& row : c.rows) {
      ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(c.name);
      ASSERT_NE(nullptr, n) << c.name;
      ZELTestParams p;
      c.fill(p, &user);
      EXPECT_EQ(row.expected, BuildExact(n, p, row.count, row.version))
          << c.name << " count " << row.count << " version " << row.version;
      n->Release();
    }
  }
}

TEST(ZELRTCNotificationLayoutTest, NullAndWrongKindAtEveryPosition) {
  FakeUser user("user");
  ZELRTCParam wrongKind(2.5);  // a double: no position of these classes reads one
  for (const ClassCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(c.name);
    ASSERT_NE(nullptr, n);
    EXPECT_STREQ(c.name, n->IsA());
    ZELTestParams valid;
    c.fill(valid, &user);
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, valid.data(), valid.size(), c.version));
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, nullptr, valid.size(), c.version));
    for (unsigned int i = 0; i < valid.size(); ++i) {
      ZELTestParams p;
      c.fill(p, &user);
      p.array[i] = nullptr;
      EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, p.data(), p.size(), c.version)) << i;
      p.array[i] = &wrongKind;
      EXPECT_EQ(c.wrongKindAccepted.count(i) ? S_OK : E_FAIL,
                ZELRTCNotificationBuilder::Build(n, p.data(), p.size(), c.version))
          << i;
    }
    n->Release();
  }
}

TEST(ZELRTCNotificationLayoutTest, ExitLineOfEveryBuild) {
  ZELTraceCapture capture;
  for (const ClassCase& c : kCases) {
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(c.name);
    ASSERT_NE(nullptr, n);
    ZELRTCNotificationBuilder::Build(n, nullptr, 0, 0);
    n->Release();
  }
  std::string all;
  for (const std::string& line : capture.Lines()) all += line + "\n";
  for (const ClassCase& c : kCases) {
    std::string expected = std::string(c.name) + "::Build FAILED line " + std::to_string(c.exitLine) + " ";
    EXPECT_NE(std::string::npos, all.find(expected)) << expected << "\n" << all;
  }
}
