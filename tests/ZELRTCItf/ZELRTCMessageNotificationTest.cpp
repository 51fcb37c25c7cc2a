#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "ZELRTCDataReceivedNotification.h"
#include "ZELRTCFileTransferNotification.h"
#include "ZELRTCInstantMessageReceivedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCSplittedDataReceivedNotification.h"
#include "ZELRTCTypedDataReceivedNotification.h"
#include "ZELTestParams.h"

namespace {

// The bytes that GetData hands out, as a string.
template <class N>
std::string DataOf(N& n) {
  int length = -1;
  const char* bytes = n.GetData(length);
  return length > 0 ? std::string(bytes, static_cast<size_t>(length)) : std::string();
}

}  // namespace

// The count and version rules of all four are in the layout test.
TEST(ZELRTCInstantMessageReceivedNotificationTest, FailedBuildsKeepWhatTheyStored) {
  ZELTestParams p;
  p.Str("bob").Str("Bob").Str("hello").Bool(1).AddNull();
  ZELRTCInstantMessageReceivedNotification n;
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, p.data(), 5, 3));
  EXPECT_EQ("Bob", ZELNarrow(n.GetPartnerName()));
  EXPECT_EQ("hello", ZELNarrow(n.GetMessageW()));
  EXPECT_EQ(1, n.IsEncrypted());
  EXPECT_EQ(0, n.GetEventType());
}

template <class T>
class ZELRTCDataNotificationTest : public testing::Test {
 protected:
  static constexpr bool kSplit = std::is_same_v<T, ZELRTCSplittedDataReceivedNotification>;
  // Three strings, then `data` and `length`, the flag(s) and the event type 8.
  template <class D, class L>
  static ZELTestParams Params(D data, L length, int count = 1) {
    ZELTestParams p;
    p.Str("bob").Str("Bob").Str("kind");
    if constexpr (std::is_same_v<D, const char*>) {
      p.Add(data, count);
    } else {
      p.Add(data);
    }
    p.Add(length).Bool(1);
    if (kSplit) p.Bool(1);
    p.Add(8);
    return p;
  }
  static constexpr unsigned int kShort = kSplit ? 7 : 6;
};
using ZELRTCDataClasses = testing::Types<ZELRTCDataReceivedNotification, ZELRTCTypedDataReceivedNotification,
                                         ZELRTCSplittedDataReceivedNotification>;
TYPED_TEST_SUITE(ZELRTCDataNotificationTest, ZELRTCDataClasses);

TYPED_TEST(ZELRTCDataNotificationTest, GetDataGivesTheNotificationsOwnBytes) {
  const unsigned int kShort = TestFixture::kShort;
  TypeParam n;
  int length = -1;
  EXPECT_EQ(nullptr, n.GetData(length));
  EXPECT_EQ(0, length);
  EXPECT_EQ(0, n.IsEncrypted());

  // Ten bytes with a length parameter of 99: the bytes' own length counts.
  ZELTestParams p = TestFixture::Params("0123456789", 99, 10);
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), kShort + 1, 3));
  const char* bytes = n.GetData(length);
  EXPECT_EQ(10, length);
  EXPECT_EQ("0123456789", std::string(bytes, 10));
  EXPECT_EQ(bytes, n.GetData(length));  // not a copy
  EXPECT_EQ(1, n.IsEncrypted());
  EXPECT_EQ(8, n.GetEventType());
  TypeParam copy(n);
  EXPECT_NE(bytes, copy.GetData(length));
  EXPECT_EQ("0123456789", DataOf(copy));

  // An int, or an empty byte array, at the data position: the data stay as they were.
  ZELTestParams intData = TestFixture::Params(5, 10);
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, intData.data(), kShort, 2));
  EXPECT_EQ("0123456789", DataOf(n));
  ZELTestParams noBytes = TestFixture::Params("", 0, 0);
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, noBytes.data(), kShort, 2));
  EXPECT_EQ("0123456789", DataOf(n));
  TypeParam empty;
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&empty, intData.data(), kShort, 3));
  EXPECT_EQ(nullptr, empty.GetData(length));
  EXPECT_EQ(0, length);
  EXPECT_EQ(0, empty.GetEventType());  // the shorter count at version 3 reads no event type

  // A string at the length position fails once the data are taken.
  TypeParam bad;
  ZELTestParams strLength = TestFixture::Params("abc", ZELUnicodeString("3"), 3);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&bad, strLength.data(), kShort, 2));
  EXPECT_EQ("abc", DataOf(bad));
  EXPECT_EQ(0, bad.IsEncrypted());
}

TEST(ZELRTCFileTransferNotificationTest, InitialValuesThenTwelveFields) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCFileTransferNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCFileTransferNotification*>(created);
  EXPECT_EQ(1, n->GetEventType());
  for (int value : {n->GetReason(), n->GetTransferID(), n->GetFileSize(), n->GetNumOfByteTransferred()})
    EXPECT_EQ(-1, value);
  for (const ZELUnicodeString& s :
       {n->GetExtendedErrorString(), n->GetPartnerId(), n->GetPartnerName(), n->GetFileTransferString(),
        n->GetFileName(), n->GetFileDesc(), n->GetTransferType()})
    EXPECT_EQ("", ZELNarrow(s));

  ZELTestParams p;
  p.Add(4).Add(0).Str("disk full").Str("bob").Str("Bob").Str("sending").Str("a.txt").Str("notes").Str("p2p");
  p.Add(17).Add(2048).Add(1024);
  EXPECT_EQ(S_OK, ZELRTCNotificationBuilder::Build(n, p.data(), 12, 0));
  EXPECT_EQ(4, n->GetEventType());
  EXPECT_EQ(0, n->GetReason());
  EXPECT_EQ("disk full|bob|Bob|sending|a.txt|notes|p2p",
            ZELNarrow(n->GetExtendedErrorString() + "|" + n->GetPartnerId() + "|" + n->GetPartnerName() + "|" +
                      n->GetFileTransferString() + "|" + n->GetFileName() + "|" + n->GetFileDesc() + "|" +
                      n->GetTransferType()));
  EXPECT_EQ(17, n->GetTransferID());
  EXPECT_EQ(2048, n->GetFileSize());
  EXPECT_EQ(1024, n->GetNumOfByteTransferred());
  created->Release();
}
