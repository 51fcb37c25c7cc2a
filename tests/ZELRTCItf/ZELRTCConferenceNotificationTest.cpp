#include <gtest/gtest.h>

#include "ZELRTCConferenceParticipantListNotification.h"
#include "ZELRTCConferenceParticipantNotification.h"
#include "ZELRTCMeetingAvailableNotification.h"
#include "ZELRTCMeetingInvitationReceivedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELTestParams.h"

namespace {

using Params = ZELTestParams;
std::string Narrow(const ZELUnicodeString& s) { return ZELNarrow(s); }

}  // namespace

TEST(ZELRTCConferenceParticipantListTest, ThreeListsAsTheyCame) {
  ZELRTCConferenceParticipantListNotification n;
  ZELListValZELUnicodeString strings;
  ZELRawCollint ints;
  EXPECT_EQ(S_OK, n.GetParticipantIds(strings));
  EXPECT_EQ(0, strings.Size());
  EXPECT_EQ(S_OK, n.GetParticipantRoles(ints));
  EXPECT_EQ(0, ints.Size());

  ZELListValZELUnicodeString names;
  names.Append("Alice");
  names.Append("Bob");
  ZELRawCollint roles;
  roles.Append(1);
  roles.Append(0);
  roles.Append(2);
  Params p;
  p.Str("sip:conf@example.com").Str("alice").Add(names).Add(roles);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 4, 0));
  EXPECT_EQ("sip:conf@example.com", Narrow(n.GetConferenceURI()));
  strings.Append("stale");
  EXPECT_EQ(S_OK, n.GetParticipantIds(strings));
  ASSERT_EQ(1, strings.Size());
  EXPECT_EQ("alice", Narrow(strings[1]));
  EXPECT_EQ(S_OK, n.GetParticipantNames(strings));
  ASSERT_EQ(2, strings.Size());
  EXPECT_EQ("Bob", Narrow(strings[2]));
  ints.Append(9);
  ints.Append(9);
  ints.Append(9);
  ints.Append(9);
  EXPECT_EQ(S_OK, n.GetParticipantRoles(ints));
  ASSERT_EQ(3, ints.Size());
  EXPECT_EQ(1, ints[1]);
  EXPECT_EQ(2, ints[3]);

  // Roles that are not an int list: the rest is filled, the roles are empty.
  Params bad;
  bad.Str("sip:other@example.com").Str("carol").Str("Carol").Add(1);
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&n, bad.data(), 4, 0));
  EXPECT_EQ("sip:other@example.com", Narrow(n.GetConferenceURI()));
  n.GetParticipantNames(strings);
  ASSERT_EQ(1, strings.Size());
  EXPECT_EQ("Carol", Narrow(strings[1]));
  n.GetParticipantRoles(ints);
  EXPECT_EQ(0, ints.Size());
}

TEST(ZELRTCConferenceParticipantTest, ParametersInTheirOwnOrder) {
  ZELRTCConferenceParticipantNotification n;
  Params p;
  p.Str("sip:conf@example.com").Str("bob").Str("Bob B.").Add(2);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, p.data(), 4, 0));
  EXPECT_EQ("sip:conf@example.com", Narrow(n.GetConferenceURI()));
  EXPECT_EQ("bob", Narrow(n.GetPartnerId()));
  EXPECT_EQ("Bob B.", Narrow(n.GetPartnerName()));
  EXPECT_EQ(2, n.GetEventType());

  // Any int is kept as it came.
  Params odd;
  odd.Str("u").Str("i").Str("n").Add(-17);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&n, odd.data(), 4, 7));
  EXPECT_EQ(-17, n.GetEventType());
}

TEST(ZELRTCMeetingTest, AvailableAndInvitation) {
  ZELRTCMeetingAvailableNotification available;
  Params p;
  p.Str("m-1").Str("https://meet.example.com/m-1");
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&available, p.data(), 2, 0));
  EXPECT_EQ("m-1", Narrow(available.GetMeetingId()));
  EXPECT_EQ("https://meet.example.com/m-1", Narrow(available.GetMeetingURL()));

  ZELRTCMeetingInvitationReceivedNotification invitation;
  EXPECT_EQ(0, invitation.GetMeetingType());
  EXPECT_EQ("", Narrow(invitation.GetInvitationMsg()));
  Params q;
  q.Str("m-2").Str("Weekly").Str("alice").Str("Alice").Str("Join us").Add(3);
  ASSERT_EQ(S_OK, ZELRTCNotificationBuilder::Build(&invitation, q.data(), 6, 0));
  EXPECT_EQ("m-2", Narrow(invitation.GetMeetingId()));
  EXPECT_EQ("Weekly", Narrow(invitation.GetMeetingName()));
  EXPECT_EQ("alice", Narrow(invitation.GetSenderId()));
  EXPECT_EQ("Alice", Narrow(invitation.GetSenderName()));
  EXPECT_EQ("Join us", Narrow(invitation.GetInvitationMsg()));
  EXPECT_EQ(3, invitation.GetMeetingType());

  ZELRTCMeetingInvitationReceivedNotification copy(invitation);
  Params r;
  r.Str("m-3").Str("Daily").Str("bob").Str("Bob").Str("Come").Add(4);
  r.array[3] = nullptr;
  EXPECT_EQ(E_FAIL, ZELRTCNotificationBuilder::Build(&copy, r.data(), 6, 0));
  EXPECT_EQ("bob", Narrow(copy.GetSenderId()));
  EXPECT_EQ("Alice", Narrow(copy.GetSenderName()));
  EXPECT_EQ(3, copy.GetMeetingType());
  EXPECT_EQ("alice", Narrow(invitation.GetSenderId()));
  copy = invitation;
  EXPECT_EQ("alice", Narrow(copy.GetSenderId()));
}
