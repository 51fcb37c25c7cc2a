#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "ZELRTCDataReceivedNotification.h"
#include "ZELRTCFileTransferNotification.h"
#include "ZELRTCInstantMessageReceivedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCSplittedDataReceivedNotification.h"
#include "ZELRTCTypedDataReceivedNotification.h"
#include "ZELTestParams.h"

namespace {

// Builds from a heap array of exactly `count` elements, so that a read past
// its end is caught by the address sanitizer.
HRESULT BuildExact(ZELRTCNotification& n, ZELTestParams& p, unsigned int count, unsigned short version) {
  std::unique_ptr<ZELRTCParam*[]> exact(new ZELRTCParam*[count]);
  for (unsigned int i = 0; i < count; ++i) exact[i] = p.array[i];
  return ZELRTCNotificationBuilder::Build(&n, exact.get(), count, version);
}

// The bytes that GetData hands out, as a string.
template <class N>
std::string DataOf(N& n) {
  int length = -1;
  const char* bytes = n.GetData(length);
  return length > 0 ? std::string(bytes, static_cast<size_t>(length)) : std::string();
}

}  // namespace

TEST(ZELRTCInstantMessageReceivedNotificationTest, EventTypeOnlyWithTheLongerCountFromVersionThree) {
  ZELTestParams p;
  p.Str("bob").Str("Bob").Str("hello").Bool(1).Add(6);
  {
    ZELRTCInstantMessageReceivedNotification n;
    EXPECT_EQ(E_FAIL, BuildExact(n, p, 5, 2));
    EXPECT_EQ("", ZELNarrow(n.GetPartnerId()));
    EXPECT_EQ(0, n.IsEncrypted());
    for (unsigned short version : {0, 2, 3, 65535}) {
      EXPECT_EQ(S_OK, BuildExact(n, p, 4, version)) << version;
      EXPECT_EQ(0, n.GetEventType());
    }
    EXPECT_EQ("bob", ZELNarrow(n.GetPartnerId()));
    EXPECT_EQ("Bob", ZELNarrow(n.GetPartnerName()));
    EXPECT_EQ("hello", ZELNarrow(n.GetMessageW()));
    EXPECT_EQ(1, n.IsEncrypted());
    EXPECT_EQ(S_OK, BuildExact(n, p, 5, 3));
    EXPECT_EQ(6, n.GetEventType());
    EXPECT_EQ(S_OK, BuildExact(n, p, 4, 3));  // the shorter count keeps it
    EXPECT_EQ(6, n.GetEventType());
    EXPECT_EQ(E_FAIL, BuildExact(n, p, 3, 3));
  }
  ZELRTCInstantMessageReceivedNotification n;
  p.array[4] = nullptr;
  EXPECT_EQ(E_FAIL, BuildExact(n, p, 5, 3));
  EXPECT_EQ("hello", ZELNarrow(n.GetMessageW()));
  EXPECT_EQ(1, n.IsEncrypted());
  EXPECT_EQ(0, n.GetEventType());
}

template <class T>
class ZELRTCDataNotificationTest : public testing::Test {};
using ZELRTCDataClasses = testing::Types<ZELRTCDataReceivedNotification, ZELRTCTypedDataReceivedNotification,
                                         ZELRTCSplittedDataReceivedNotification>;
TYPED_TEST_SUITE(ZELRTCDataNotificationTest, ZELRTCDataClasses);

namespace {

// The valid parameters of a data class: `data` and `length` at positions 3 and 4.
template <class T>
constexpr unsigned int kShortCount = std::is_same_v<T, ZELRTCSplittedDataReceivedNotification> ? 7 : 6;

template <class T>
ZELTestParams DataParams(ZELTestParams&& p) {
  p.Bool(1);
  if (kShortCount<T> == 7) p.Bool(1);
  p.Add(8);
  return std::move(p);
}

template <class T>
std::string Third(T& n) {
  if constexpr (std::is_same_v<T, ZELRTCDataReceivedNotification>) return ZELNarrow(n.GetMessageType());
  if constexpr (std::is_same_v<T, ZELRTCTypedDataReceivedNotification>) return ZELNarrow(n.GetServiceId());
  if constexpr (std::is_same_v<T, ZELRTCSplittedDataReceivedNotification>) return ZELNarrow(n.GetTypeId());
}

}  // namespace

TYPED_TEST(ZELRTCDataNotificationTest, DataLengthAndEventTypeRules) {
  const unsigned int shortCount = kShortCount<TypeParam>;
  const char bytes[] = "0123456789";

  TypeParam fresh;
  int length = -1;
  EXPECT_EQ(nullptr, fresh.GetData(length));
  EXPECT_EQ(0, length);
  EXPECT_EQ(0, fresh.IsEncrypted());

  // Ten bytes with a length parameter of 99: the bytes' own length counts.
  TypeParam n;
  ZELTestParams p =
      DataParams<TypeParam>(std::move(ZELTestParams().Str("bob").Str("Bob").Str("kind").Add(bytes, 10).Add(99)));
  EXPECT_EQ(S_OK, BuildExact(n, p, shortCount + 1, 3));
  const char* got = n.GetData(length);
  EXPECT_EQ(10, length);
  EXPECT_EQ("0123456789", std::string(got, static_cast<size_t>(length)));
  EXPECT_EQ(got, n.GetData(length));  // the notification's own bytes, not a copy
  EXPECT_EQ("kind", Third(n));
  EXPECT_EQ(1, n.IsEncrypted());
  EXPECT_EQ(8, n.GetEventType());

  // The longer count needs version 3; the shorter one never reads the event type.
  TypeParam v2;
  EXPECT_EQ(E_FAIL, BuildExact(v2, p, shortCount + 1, 2));
  EXPECT_EQ("", ZELNarrow(v2.GetPartnerId()));
  for (unsigned short version : {0, 2, 3, 65535}) EXPECT_EQ(S_OK, BuildExact(v2, p, shortCount, version)) << version;
  EXPECT_EQ(0, v2.GetEventType());
  EXPECT_EQ(E_FAIL, BuildExact(v2, p, shortCount - 1, 3));
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&v2, p.data(), shortCount + 2, 3));

  // An int at the data position is passed over: the data stay as they were.
  ZELTestParams intData = DataParams<TypeParam>(std::move(ZELTestParams().Str("a").Str("A").Str("k").Add(5).Add(10)));
  EXPECT_EQ(S_OK, BuildExact(n, intData, shortCount, 2));
  EXPECT_EQ("0123456789", DataOf(n));
  TypeParam empty;
  EXPECT_EQ(S_OK, BuildExact(empty, intData, shortCount, 2));
  EXPECT_EQ(nullptr, empty.GetData(length));
  EXPECT_EQ(0, length);
  // An absent byte array (length 0) is accepted and changes nothing either.
  ZELTestParams noBytes =
      DataParams<TypeParam>(std::move(ZELTestParams().Str("a").Str("A").Str("k").Add(bytes, 0).Add(0)));
  EXPECT_EQ(S_OK, BuildExact(n, noBytes, shortCount, 2));
  n.GetData(length);
  EXPECT_EQ(10, length);

  // The length must be an int; a string there fails after the data are taken.
  ZELTestParams strLength =
      DataParams<TypeParam>(std::move(ZELTestParams().Str("c").Str("C").Str("k").Add(bytes, 3).Str("3")));
  TypeParam bad;
  EXPECT_EQ(E_FAIL, BuildExact(bad, strLength, shortCount, 2));
  EXPECT_EQ("012", DataOf(bad));
  EXPECT_EQ(0, bad.IsEncrypted());

  // With the longer count the event type must be an int.
  ZELTestParams boolEvent =
      DataParams<TypeParam>(std::move(ZELTestParams().Str("d").Str("D").Str("k").Add(bytes, 2).Add(2)));
  boolEvent.owned.back().reset(new ZELRTCParam(static_cast<unsigned char>(1)));
  boolEvent.array.back() = boolEvent.owned.back().get();
  EXPECT_EQ(E_FAIL, BuildExact(bad, boolEvent, shortCount + 1, 3));
  EXPECT_EQ(1, bad.IsEncrypted());

  // A copy owns bytes of its own.
  TypeParam copy(n);
  const char* copied = copy.GetData(length);
  EXPECT_EQ("0123456789", std::string(copied, static_cast<size_t>(length)));
  EXPECT_NE(got, copied);
}

TEST(ZELRTCFileTransferNotificationTest, InitialValuesAndExactlyTwelveAtAnyVersion) {
  ZELRTCNotification* created = ZELRTCNotificationBuilder::Create("ZELRTCFileTransferNotification");
  ASSERT_NE(nullptr, created);
  auto* n = static_cast<ZELRTCFileTransferNotification*>(created);
  EXPECT_EQ(1, n->GetEventType());
  EXPECT_EQ(-1, n->GetReason());
  EXPECT_EQ(-1, n->GetTransferID());
  EXPECT_EQ(-1, n->GetFileSize());
  EXPECT_EQ(-1, n->GetNumOfByteTransferred());
  for (ZELUnicodeString s : {n->GetExtendedErrorString(), n->GetPartnerId(), n->GetPartnerName(),
                             n->GetFileTransferString(), n->GetFileName(), n->GetFileDesc(), n->GetTransferType()})
    EXPECT_EQ("", ZELNarrow(s));

  ZELTestParams p;
  p.Add(4).Add(0).Str("disk full").Str("bob").Str("Bob").Str("sending").Str("a.txt").Str("notes").Str("p2p");
  p.Add(17).Add(2048).Add(1024).Add(0);
  EXPECT_EQ(E_FAIL, BuildExact(*n, p, 11, 1));
  EXPECT_EQ(E_FAIL, BuildExact(*n, p, 13, 1));
  EXPECT_EQ(1, n->GetEventType());
  for (unsigned short version : {0, 1, 3, 65535}) EXPECT_EQ(S_OK, BuildExact(*n, p, 12, version)) << version;
  EXPECT_EQ(4, n->GetEventType());
  EXPECT_EQ(0, n->GetReason());
  EXPECT_EQ("disk full", ZELNarrow(n->GetExtendedErrorString()));
  EXPECT_EQ("bob", ZELNarrow(n->GetPartnerId()));
  EXPECT_EQ("Bob", ZELNarrow(n->GetPartnerName()));
  EXPECT_EQ("sending", ZELNarrow(n->GetFileTransferString()));
  EXPECT_EQ("a.txt", ZELNarrow(n->GetFileName()));
  EXPECT_EQ("notes", ZELNarrow(n->GetFileDesc()));
  EXPECT_EQ("p2p", ZELNarrow(n->GetTransferType()));
  EXPECT_EQ(17, n->GetTransferID());
  EXPECT_EQ(2048, n->GetFileSize());
  EXPECT_EQ(1024, n->GetNumOfByteTransferred());
  created->Release();
}
