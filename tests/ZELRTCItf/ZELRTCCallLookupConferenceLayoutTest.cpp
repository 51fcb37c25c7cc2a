// The parameter layouts of the call-signalling, lookup, conference and meeting
// notifications, driven by one table: count and version boundaries, and every
// kind (or a null element) at every position of every layout, with the
// references of the counting fakes balanced afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ZELCountingFakes.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELTestParams.h"

namespace {

// A layout as the kinds of its positions: b boolean, i int, s string,
// v string vector, u user, g group, y byte array, l int list.
struct LayoutRow {
  const char* className;
  const char* kinds;
  unsigned short minVersion;
  // The position at which a null element or a refused kind still gives S_OK
  // (the optional resolve options), or -1.
  int optionalPosition;
  // The counts the class accepts, when more than the length of `kinds`.
  unsigned int fewestCount = 0, mostCount = 0;
};

const LayoutRow kLayouts[] = {
    {"ZELRTCConferenceParticipantListNotification", "svvl", 0, -1},
    {"ZELRTCConferenceParticipantNotification", "sssi", 0, -1},
    {"ZELRTCGroupContentNotification", "igsi", 0, -1},
    {"ZELRTCGroupsResolvedNotification", "isvvi", 0, -1},
    {"ZELRTCMeetingAvailableNotification", "ss", 0, -1},
    {"ZELRTCMeetingInvitationReceivedNotification", "sssssi", 0, -1},
    {"ZELRTCUserInfoReceivedNotification", "ussssby", 0, -1},
    {"ZELRTCUsersResolvedNotification", "isvvi", 0, -1, 5, 6},
    {"ZELRTCUsersResolvedNotification", "isvvii", 0, 5, 5, 6},
    {"ZELRTCWebRTCCallAcceptedNotification", "ssbsbv", 2, -1},
    {"ZELRTCWebRTCCallEndedNotification", "sss", 2, -1},
    {"ZELRTCWebRTCICECandidateReceivedNotification", "sss", 2, -1},
    {"ZELRTCWebRTCInviteSentNotification", "ussbs", 2, -1},
    {"ZELRTCWebRTCInviteToCallNotification", "ussbs", 2, -1},
    {"ZELRTCWebRTCSDPReceivedNotification", "sssbbbs", 2, -1},
};

// Non-empty values of every kind, one letter each (as above, plus d double,
// U user list, G group list).
const char kEveryKind[] = "bidysvuUgGl";

struct Fakes {
  FakeUser user{"alice"};
  FakeGroup group{"team"};
};

void AddOfKind(ZELTestParams& p, char kind, Fakes& f) {
  switch (kind) {
    case 'b':
      p.Add(static_cast<unsigned char>(1));
      break;
    case 'i':
      p.Add(3);
      break;
    case 'd':
      p.Add(1.5);
      break;
    case 'y':
      p.Add("\x01\x02\x03", 3);
      break;
    case 's':
      p.Str("text");
      break;
    case 'v': {
      ZELListValZELUnicodeString list;
      list.Append("one");
      list.Append("two");
      p.Add(list);
      break;
    }
    case 'u':
      p.Add(static_cast<ZELIRTCUser*>(&f.user));
      break;
    case 'U': {
      ZELListPtrZELIRTCUser users;
      users.Append(&f.user);
      p.Add(users);
      break;
    }
    case 'g':
      p.Add(static_cast<ZELIRTCGroup*>(&f.group));
      break;
    case 'G': {
      ZELListPtrZELIRTCGroup groups;
      groups.Append(&f.group);
      p.Add(groups);
      break;
    }
    case 'l': {
      ZELRawCollint ints;
      ints.Append(4);
      p.Add(ints);
      break;
    }
    default:
      p.AddNull();
      break;
  }
}

ZELTestParams Valid(const LayoutRow& row, Fakes& f) {
  ZELTestParams p;
  for (const char* k = row.kinds; *k; ++k) AddOfKind(p, *k, f);
  return p;
}

HRESULT BuildNew(const char* className, ZELRTCParam** params, unsigned int count, unsigned short version) {
  ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(className);
  if (!n) return S_FALSE;
  HRESULT hr = ZELRTCNotificationBuilder::Build(n, params, count, version);
  n->Release();
  return hr;
}

}  // namespace

TEST(ZELRTCCallLookupConferenceLayoutTest, CountAndVersionBoundaries) {
  for (const LayoutRow& row : kLayouts) {
    SCOPED_TRACE(std::string(row.className) + " " + row.kinds);
    Fakes f;
    ZELTestParams p = Valid(row, f);
    const unsigned int count = p.size();
    EXPECT_EQ(S_OK, BuildNew(row.className, p.data(), count, row.minVersion));
    EXPECT_EQ(S_OK, BuildNew(row.className, p.data(), count, 65535));
    if (row.minVersion > 0) {
      EXPECT_EQ(E_FAIL, BuildNew(row.className, p.data(), count, row.minVersion - 1));
    }
    const unsigned int fewest = row.fewestCount ? row.fewestCount : count;
    const unsigned int most = row.mostCount ? row.mostCount : count;
    while (p.size() <= most) p.Str("one more");
    EXPECT_EQ(E_FAIL, BuildNew(row.className, p.data(), fewest - 1, row.minVersion));
    EXPECT_EQ(E_FAIL, BuildNew(row.className, p.data(), most + 1, row.minVersion));
    EXPECT_EQ(E_FAIL, BuildNew(row.className, p.data(), 0, row.minVersion));
  }
}

TEST(ZELRTCCallLookupConferenceLayoutTest, EveryKindAndNullAtEveryPositionBalancesReferences) {
  for (const LayoutRow& row : kLayouts) {
    const std::string kinds = row.kinds;
    for (size_t position = 0; position < kinds.size(); ++position) {
      for (const char* replacement = kEveryKind; replacement <= kEveryKind + sizeof kEveryKind - 1; ++replacement) {
        // The last round (the terminating zero) puts a null element there.
        SCOPED_TRACE(std::string(row.className) + " " + kinds + " position " + std::to_string(position) + " kind " +
                     (*replacement ? std::string(1, *replacement) : std::string("null")));
        Fakes f;
        {
          ZELTestParams p;
          for (size_t i = 0; i < kinds.size(); ++i) AddOfKind(p, i == position ? *replacement : kinds[i], f);
          ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(row.className);
          ASSERT_NE(nullptr, n);
          HRESULT hr = ZELRTCNotificationBuilder::Build(n, p.data(), p.size(), row.minVersion);
          if (*replacement == kinds[position]) {
            EXPECT_EQ(S_OK, hr);
          }
          if (!*replacement && static_cast<int>(position) != row.optionalPosition) {
            EXPECT_EQ(E_FAIL, hr);
          }
          if (static_cast<int>(position) == row.optionalPosition) {
            EXPECT_EQ(S_OK, hr);
          }
          // A second Build over the first gives back what the first took.
          ZELRTCNotificationBuilder::Build(n, p.data(), p.size(), row.minVersion);
          n->Release();
        }
        EXPECT_EQ(1, f.user.refs);
        EXPECT_EQ(1, f.group.refs);
      }
    }
  }
}
