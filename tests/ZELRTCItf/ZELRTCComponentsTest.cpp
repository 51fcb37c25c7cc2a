#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZELRTCItfMarker.h"
#include "ZELRTCNotificationDispatcher.h"
#include "ZELRTCService.h"
#include "ZELTestSupport.h"

namespace {

class EchoService : public ZELRTCService {
 public:
  HRESULT Start(ZELIRTCMainSession* session) override { return session ? S_OK : E_FAIL; }
  HRESULT Stop() override { return S_FALSE; }
  const char* GetServiceName() const override { return "Echo"; }
};

}  // namespace

TEST(ZELRTCNotificationDispatcherTest, LifeWritesFourLinesAtOneIndentation) {
  ZELTraceCapture capture;
  auto* dispatcher = new ZELRTCNotificationDispatcher;
  ASSERT_NE(nullptr, dispatcher);
  auto* copy = new ZELRTCNotificationDispatcher(*dispatcher);  // no trace
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(1u, copy->GetRefCount());
  *copy = *dispatcher;
  EXPECT_EQ(0u, copy->Release());
  dispatcher->AddRef();
  EXPECT_EQ(1u, dispatcher->Release());
  EXPECT_EQ(0u, dispatcher->Release());

  const std::string ctor = "ZELRTCNotificationDispatcher::ZELRTCNotificationDispatcher";
  const std::string dtor = "ZELRTCNotificationDispatcher::~ZELRTCNotificationDispatcher";
  std::vector<std::string> lines;
  for (const std::string& line : capture.Lines()) {
    if (!line.empty() && line[0] == '[') lines.push_back(line);  // not the file's header
  }
  // The copy writes nothing; each destruction writes its two lines.
  EXPECT_EQ((std::vector<std::string>{"[INF] [>] " + ctor, "[INF] [<] " + ctor, "[INF] [>] " + dtor,
                                      "[INF] [<] " + dtor, "[INF] [>] " + dtor, "[INF] [<] " + dtor}),
            lines);
}

TEST(ZELRTCComponentsTest, ClassDescriptionsAndMarker) {
  EXPECT_STREQ("ZELRTCService", ZELRTCService::ClassName());
  EXPECT_STREQ("ZELRTCNotificationDispatcher", ZELRTCNotificationDispatcher::ClassName());
  EXPECT_EQ(nullptr, ZELRTCService::CreateItself());
  EXPECT_EQ(nullptr, ZELRTCNotificationDispatcher::CreateItself());
  EXPECT_STREQ("ZELnull", ZELRTCService::MetaObject()->GetLiteral());
  EXPECT_STREQ("ZELNull", ZELRTCNotificationDispatcher::MetaObject()->GetLiteral());
  EXPECT_EQ(ZELBaseUnknown::MetaObject(), ZELRTCService::MetaObject()->GetBase());
  EXPECT_EQ(ZELBaseUnknown::MetaObject(), ZELRTCNotificationDispatcher::MetaObject()->GetBase());
  EXPECT_STREQ("ZELCollaborationInfra", ZELRTCNotificationDispatcher::MetaObject()->GetFramework());

  auto* service = new EchoService;
  ASSERT_NE(nullptr, service);
  ZELBaseUnknown* root = service;
  EXPECT_STREQ("ZELRTCService", root->IsA());
  EXPECT_EQ(1, root->IsAKindOf("ZELBaseUnknown"));
  EXPECT_EQ(ZELRTCService::MetaObject(), root->GetMetaObject());
  EXPECT_STREQ("Echo", service->GetServiceName());
  EXPECT_EQ(0u, service->Release());

  auto* dispatcher = new ZELRTCNotificationDispatcher;
  ASSERT_NE(nullptr, dispatcher);
  EXPECT_STREQ("ZELRTCNotificationDispatcher", dispatcher->IsA());
  EXPECT_EQ(1, dispatcher->IsAKindOf("ZELRTCNotificationDispatcher"));
  EXPECT_EQ(0, dispatcher->IsAKindOf("ZELRTCService"));
  dispatcher->Release();

  // Exported under its plain name.
  using Marker = int (*)();
  auto marker = reinterpret_cast<Marker>(dlsym(RTLD_DEFAULT, "NORDHAVEN_WORKS_PRX2_INTERNAL_ZELRTCItf"));
  ASSERT_NE(nullptr, marker);
  EXPECT_EQ(1, marker());
  EXPECT_EQ(1, NORDHAVEN_WORKS_PRX2_INTERNAL_ZELRTCItf());
}
