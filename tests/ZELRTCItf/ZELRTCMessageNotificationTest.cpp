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
  EXPECT_EQ(E_FAIL, p.Build(&n, 3, 5));
  EXPECT_EQ("bob|Bob|hello|1|0",
            ZELJoin(n.GetPartnerId(), n.GetPartnerName(), n.GetMessageW(), n.IsEncrypted(), n.GetEventType()));
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
  EXPECT_EQ(S_OK, p.Build(&n, 3, kShort + 1));
  const char* bytes = n.GetData(length);
  EXPECT_EQ("10|0123456789|1|8", ZELJoin(length, std::string(bytes, 10).c_str(), n.IsEncrypted(), n.GetEventType()));
  EXPECT_EQ(bytes, n.GetData(length));  // not a copy
  TypeParam copy(n);
  EXPECT_NE(bytes, copy.GetData(length));
  EXPECT_EQ("0123456789", DataOf(copy));

  // An int, or an empty byte array, at the data position: the data stay as they were.
  ZELTestParams intData = TestFixture::Params(5, 10);
  EXPECT_EQ(S_OK, intData.Build(&n, 2, kShort));
  EXPECT_EQ("0123456789", DataOf(n));
  ZELTestParams noBytes = TestFixture::Params("", 0, 0);
  EXPECT_EQ(S_OK, noBytes.Build(&n, 2, kShort));
  EXPECT_EQ("0123456789", DataOf(n));
  TypeParam empty;
  EXPECT_EQ(S_OK, intData.Build(&empty, 3, kShort));
  EXPECT_EQ(nullptr, empty.GetData(length));
  EXPECT_EQ(0, length);
  EXPECT_EQ(0, empty.GetEventType());  // the shorter count at version 3 reads no event type

  // A string at the length position fails once the data are taken.
  TypeParam bad;
  ZELTestParams strLength = TestFixture::Params("abc", ZELUnicodeString("3"), 3);
  EXPECT_EQ(E_FAIL, strLength.Build(&bad, 2, kShort));
  EXPECT_EQ("abc", DataOf(bad));
  EXPECT_EQ(0, bad.IsEncrypted());
}

TEST(ZELRTCFileTransferNotificationTest, InitialValuesThenTwelveFields) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCFileTransferNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCFileTransferNotification*>(created);
  auto all = [n] {
    return ZELJoin(n->GetEventType(), n->GetReason(), n->GetExtendedErrorString(), n->GetPartnerId(),
                   n->GetPartnerName(), n->GetFileTransferString(), n->GetFileName(), n->GetFileDesc(),
                   n->GetTransferType(), n->GetTransferID(), n->GetFileSize(), n->GetNumOfByteTransferred());
  };
  EXPECT_EQ("1|-1||||||||-1|-1|-1", all());

  ZELTestParams p;
  p.Add(4).Add(0).Str("disk full").Str("bob").Str("Bob").Str("sending").Str("a.txt").Str("notes").Str("p2p");
  p.Add(17).Add(2048).Add(1024);
  EXPECT_EQ(S_OK, p.Build(n, 0, 12));
  EXPECT_EQ("4|0|disk full|bob|Bob|sending|a.txt|notes|p2p|17|2048|1024", all());
  created->Release();
}
