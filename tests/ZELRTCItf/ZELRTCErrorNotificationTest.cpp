// The error notification's message. The catalog folder is given the way a
// deployment gives it, in the environment of a fresh process: each scenario
// runs in a child started with "ZELMsgCatalogPath" set to a folder that the
// test has filled.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "ZELListValZELUnicodeString.h"
#include "ZELRTCErrorNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELTestParams.h"
#include "ZELTestSupport.h"

namespace {

void Show(ZELRTCErrorNotification& n, ZELTestParams& p, unsigned int count) {
  HRESULT hr = p.Build(&n, 1, count);
  std::printf("%s|%s|%s\n",
              hr == S_OK     ? "S_OK"
              : hr == E_FAIL ? "E_FAIL"
                             : "?",
              n.GetErrorMessage().ConvertToChar(), n.GetMessageKey().ConvertToChar());
}

void Show(ZELTestParams&& p, unsigned int count) {
  ZELRTCErrorNotification n;
  Show(n, p, count);
}

ZELListValZELUnicodeString List(std::initializer_list<const char*> items) {
  ZELListValZELUnicodeString list;
  for (const char* item : items) list.Append(item);
  return list;
}

}  // namespace

ZEL_CHILD_SCENARIO(ErrorMessagesFromTheCatalog) {
  Show(std::move(ZELTestParams().Str("Errors").Str("Lost")), 2);
  Show(std::move(ZELTestParams().Str("Errors").Str("Refused").Add(List({"srv", "alice"}))), 3);
  Show(std::move(ZELTestParams().Str("Errors").Str("Refused").Str("srv")), 3);
  Show(std::move(ZELTestParams().Str("Errors").Str("Refused").Add(List({}))), 3);
  Show(std::move(ZELTestParams().Str("Errors").Str("Refused")), 2);
  Show(std::move(ZELTestParams().Str("Errors").Str("NoSuchKey")), 2);
  Show(std::move(ZELTestParams().Str("NoSuchCatalog").Str("Lost")), 2);
  Show(std::move(ZELTestParams().Str("Errors").Str("Broken")), 2);
  Show(std::move(ZELTestParams().Str("Errors").Str("Refused").AddNull()), 3);
  Show(std::move(ZELTestParams().Str("Errors").Str("Refused").Add(7)), 3);
  Show(std::move(ZELTestParams().Str("Errors").Str("Lost").Str("x").Str("y")), 4);
  Show(std::move(ZELTestParams().Str("Errors")), 1);
  Show(std::move(ZELTestParams().Str("Errors").Add(3)), 2);
  // A Build that fails after one that succeeded leaves "Unknown error".
  ZELRTCErrorNotification n;
  ZELTestParams good, none;
  good.Str("Errors").Str("Lost");
  Show(n, good, 2);
  Show(n, none, 0);
  return 0;
}

TEST(ZELRTCErrorNotificationTest, MessageFromARealCatalogFile) {
  ZELTempDir catalogs;
  std::ofstream(catalogs.Path() + "Errors.msg") << "# Driver errors\n"
                                                   "Lost = Connection lost.\n"
                                                   "Refused = {1} refused {2}\n"
                                                   "Broken\n"
                                                   "Broken key = never used\n";
  ZELChildResult child = ZELRunChild("ErrorMessagesFromTheCatalog", {{"ZELMsgCatalogPath", catalogs.Path()}});
  EXPECT_EQ(0, child.exitCode) << child.err;
  EXPECT_EQ(
      "S_OK|Connection lost.|\n"
      "S_OK|srv refused alice|\n"
      "S_OK|srv refused {2}|\n"
      "S_OK|{1} refused {2}|\n"
      "S_OK|{1} refused {2}|\n"
      "S_OK|Unknown error|\n"
      "S_OK|Unknown error|\n"
      "S_OK|Unknown error|\n"
      "E_FAIL|Unknown error|\n"
      "E_FAIL|Unknown error|\n"
      "E_FAIL|Unknown error|\n"
      "E_FAIL|Unknown error|\n"
      "E_FAIL|Unknown error|\n"
      "S_OK|Connection lost.|\n"
      "E_FAIL|Unknown error|\n",
      child.out);
}
