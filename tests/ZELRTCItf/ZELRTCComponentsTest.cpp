#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZELRTCItfMarker.h"
#include "ZELRTCNotificationDispatcher.h"
#include "ZELRTCService.h"
#include "ZELTestParams.h"
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
  // The copy writes nothing; each destruction writes its two lines.
  EXPECT_EQ((std::vector<std::string>{"[INF] [>] " + ctor, "[INF] [<] " + ctor, "[INF] [>] " + dtor,
                                      "[INF] [<] " + dtor, "[INF] [>] " + dtor, "[INF] [<] " + dtor}),
            capture.Lines());
}

TEST(ZELRTCComponentsTest, ClassDescriptionsAndMarker) {
  EXPECT_EQ("ZELRTCService|ZELRTCNotificationDispatcher|ZELnull|ZELNull|ZELCollaborationInfra",
            ZELJoin(ZELRTCService::ClassName(), ZELRTCNotificationDispatcher::ClassName(),
                    ZELRTCService::MetaObject()->GetLiteral(), ZELRTCNotificationDispatcher::MetaObject()->GetLiteral(),
                    ZELRTCNotificationDispatcher::MetaObject()->GetFramework()));
  EXPECT_TRUE(ZELRTCService::CreateItself() == nullptr && ZELRTCNotificationDispatcher::CreateItself() == nullptr);
  EXPECT_TRUE(ZELRTCService::MetaObject()->GetBase() == ZELBaseUnknown::MetaObject() &&
              ZELRTCNotificationDispatcher::MetaObject()->GetBase() == ZELBaseUnknown::MetaObject());

  auto* service = new EchoService;
  ASSERT_NE(nullptr, service);
  ZELBaseUnknown* root = service;
  EXPECT_EQ("ZELRTCService|1|Echo", ZELJoin(root->IsA(), root->IsAKindOf("ZELBaseUnknown"), service->GetServiceName()));
  EXPECT_EQ(ZELRTCService::MetaObject(), root->GetMetaObject());
  EXPECT_EQ(0u, service->Release());

  auto* dispatcher = new ZELRTCNotificationDispatcher;
  ASSERT_NE(nullptr, dispatcher);
  EXPECT_EQ("ZELRTCNotificationDispatcher|1|0",
            ZELJoin(dispatcher->IsA(), dispatcher->IsAKindOf("ZELRTCNotificationDispatcher"),
                    dispatcher->IsAKindOf("ZELRTCService")));
  dispatcher->Release();

  // Exported under its plain name.
  using Marker = int (*)();
  auto marker = reinterpret_cast<Marker>(dlsym(RTLD_DEFAULT, "NORDHAVEN_WORKS_PRX2_INTERNAL_ZELRTCItf"));
  ASSERT_NE(nullptr, marker);
  EXPECT_EQ(1, marker());
  EXPECT_EQ(1, NORDHAVEN_WORKS_PRX2_INTERNAL_ZELRTCItf());
}
