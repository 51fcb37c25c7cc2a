#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ZELBaseUnknown.h"
#include "ZELFillDictionary.h"
#include "ZELMetaClass.h"
#include "ZELNotification.h"

namespace {

const GUID IID_Greeter = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
const GUID IID_Other = {0x87654321, 0x4321, 0x4321, {8, 7, 6, 5, 4, 3, 2, 1}};

class Greeter {
 public:
  virtual const char* Greet() = 0;

 protected:
  ~Greeter() = default;
};

int g_destroyed = 0;

class Component : public ZELBaseUnknown, public Greeter {
 public:
  Component() {
    static const ZELInterfaceEntry kInterfaces[] = {ZEL_INTERFACE_ENTRY(Component, Greeter, IID_Greeter)};
    SetInterfaceTable(kInterfaces, 1);
  }
  ~Component() override { ++g_destroyed; }
  const char* Greet() override { return "hello"; }
};

}  // namespace

TEST(ZELBaseUnknownTest, ReferenceCountingAndInterfaces) {
  g_destroyed = 0;
  auto* c = new Component;
  EXPECT_EQ(1u, c->GetRefCount());
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, c->QueryInterface(IID_Other, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(E_POINTER, c->QueryInterface(IID_Greeter, nullptr));
  ASSERT_EQ(S_OK, c->QueryInterface(IID_Greeter, &out));
  EXPECT_EQ(static_cast<Greeter*>(c), out);
  EXPECT_STREQ("hello", static_cast<Greeter*>(out)->Greet());
  EXPECT_EQ(2u, c->GetRefCount());
  EXPECT_EQ(S_OK, c->QueryInterface(IID_ZELBaseUnknown, &out));
  EXPECT_EQ(static_cast<ZELBaseUnknown*>(c), out);
  EXPECT_EQ(static_cast<Greeter*>(c), c->QueryInterface("Greeter"));
  EXPECT_EQ(nullptr, c->QueryInterface("Nothing"));
  EXPECT_EQ(4u, c->GetRefCount());
  EXPECT_EQ(3u, c->Release());
  c->Release();
  c->Release();
  EXPECT_EQ(0, g_destroyed);
  EXPECT_EQ(0u, c->Release());
  EXPECT_EQ(1, g_destroyed);

  // A copy starts with its own single reference and keeps the interfaces.
  Component original;
  original.AddRef();
  Component copy(original);
  EXPECT_EQ(1u, copy.GetRefCount());
  EXPECT_EQ(static_cast<Greeter*>(&copy), copy.QueryInterface("Greeter"));
  copy.Release();
  original.Release();
}

TEST(ZELMetaClassTest, OneDescriptorPerNameAndKindOfWalksTheBases) {
  ZELMetaClass* base = ZELNotification::MetaObject();
  ZELMetaClass* a = fct_RetrieveMetaObject("ZELTestA", ZELTypeOfClassImplementation, base, "ZELnull", "Test", 8);
  ZELMetaClass* again = fct_RetrieveMetaObject("ZELTestA", ZELTypeOfClassImplementation, nullptr, "x", "y", 1);
  EXPECT_EQ(a, again);
  EXPECT_EQ(8u, a->GetSize());
  EXPECT_EQ(base, a->GetBase());
  std::string kinds;
  for (const char* name : {"ZELTestA", "ZELNotification", "ZELBaseUnknown", "ZELTest", static_cast<const char*>(0)})
    kinds += std::to_string(a->IsAKindOf(name));
  EXPECT_EQ("11100", kinds);
  ZELMetaClass* b = fct_RetrieveMetaObject("ZELTestB", ZELTypeOfClassImplementation, base, "ZELnull", "Test", 8);
  EXPECT_NE(a->GetClassId(), b->GetClassId());
  EXPECT_EQ(nullptr, fct_RetrieveMetaObject(nullptr, ZELTypeOfClassImplementation, nullptr, "", "", 0));
}

TEST(ZELFillDictionaryTest, KeepsOrderAndFindsFactories) {
  int before = ZELDictionarySize();
  static ZELFillDictionary first("ZELTestFirst", [] { return static_cast<ZELBaseUnknown*>(new Component); });
  static ZELFillDictionary second("ZELTestSecond", nullptr);
  static ZELFillDictionary again("ZELTestFirst", [] { return static_cast<ZELBaseUnknown*>(nullptr); });
  ASSERT_EQ(before + 2, ZELDictionarySize());
  EXPECT_STREQ("ZELTestFirst", ZELDictionaryClassName(before));
  EXPECT_STREQ("ZELTestSecond", ZELDictionaryClassName(before + 1));
  EXPECT_TRUE(ZELDictionaryClassName(before + 2) == nullptr && ZELDictionaryClassName(-1) == nullptr);
  EXPECT_EQ(nullptr, ZELCreateFromDictionary("ZELTestFirst"));  // replaced by the later factory
  EXPECT_TRUE(ZELCreateFromDictionary("ZELTestSecond") == nullptr && ZELFindFactory("ZELTestMissing") == nullptr);
}
