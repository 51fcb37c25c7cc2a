// Every notification class of the login, session, error, client-event,
// messaging, data and file-transfer families against null and wrong-kind
// elements at each position, by class name through the dictionary.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "ZELCountingFakes.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

namespace {

struct ClassCase {
  const char* name;
  int exitLine;
  unsigned short version;
  std::function<void(ZELTestParams&, ZELIRTCUser*)> fill;  // a valid array
  std::set<unsigned int> wrongKindAccepted;                // positions that pass over another kind
};

const ClassCase kCases[] = {
    {"ZELRTCLoginNotification", 75, 0, [](ZELTestParams& p, ZELIRTCUser* u) { p.Add(1).Str("h").Add(u).Add(2); }, {}},
    {"ZELRTCSessionNotification",
     74,
     2,
     [](ZELTestParams& p, ZELIRTCUser*) {
       p.Add(1).Add(2).Str("id").Str("name").Bool(0).Add(3).Add(4).Bool(1).Add(5).Bool(0).Add(6);
     },
     {}},
    {"ZELRTCErrorNotification",
     71,
     0,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("NoSuchCatalog").Str("Key").Str("arg"); },
     {}},
    {"ZELRTCClientEventNotification",
     56,
     0,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Add(1).Add(2).Bool(1).Add(3).Bool(0).Add(4); },
     {}},
    {"ZELRTCInstantMessageReceivedNotification",
     55,
     3,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("id").Str("name").Str("text").Bool(1).Add(2); },
     {}},
    {"ZELRTCDataReceivedNotification",
     66,
     3,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("id").Str("name").Str("type").Add("ab", 2).Add(2).Bool(0).Add(1); },
     {3}},
    {"ZELRTCTypedDataReceivedNotification",
     75,
     3,
     [](ZELTestParams& p, ZELIRTCUser*) { p.Str("id").Str("name").Str("svc").Add("ab", 2).Add(2).Bool(0).Add(1); },
     {3}},
    {"ZELRTCSplittedDataReceivedNotification",
     65,
     3,
     [](ZELTestParams& p, ZELIRTCUser*) {
       p.Str("id").Str("name").Str("type").Add("ab", 2).Add(2).Bool(0).Bool(1).Add(1);
     },
     {3}},
    {"ZELRTCFileTransferNotification",
     69,
     0,
     [](ZELTestParams& p, ZELIRTCUser*) {
       p.Add(1).Add(0).Str("e").Str("id").Str("n").Str("t").Str("f").Str("d").Str("ty").Add(1).Add(2).Add(3);
     },
     {}},
};

}  // namespace

TEST(ZELRTCNotificationBadInputTest, NullAndWrongKindAtEveryPosition) {
  FakeUser user("user");
  for (const ClassCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(c.name);
    ASSERT_NE(nullptr, n);
    EXPECT_STREQ(c.name, n->IsA());
    ZELTestParams valid;
    c.fill(valid, &user);
    EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, valid.data(), valid.size(), c.version));
    EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, nullptr, valid.size(), c.version));

    ZELRTCParam wrongKind(2.5);  // a double: no position of these classes reads one
    for (unsigned int i = 0; i < valid.size(); ++i) {
      SCOPED_TRACE(i);
      ZELTestParams p;
      c.fill(p, &user);
      p.array[i] = nullptr;
      EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(n, p.data(), p.size(), c.version));
      p.array[i] = &wrongKind;
      EXPECT_EQ(c.wrongKindAccepted.count(i) ? S_OK : E_FAIL,
                ZELRTCNotificationBuilder::Build(n, p.data(), p.size(), c.version));
    }
    n->Release();
  }
}

TEST(ZELRTCNotificationBadInputTest, ExitLineOfEveryBuild) {
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
