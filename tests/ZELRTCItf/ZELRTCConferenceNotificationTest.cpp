// The conference and meeting notifications: getters, list getters that replace
// the caller's list, and what a refused Build leaves.
#include <gtest/gtest.h>

#include "ZELRTCConferenceParticipantListNotification.h"
#include "ZELRTCConferenceParticipantNotification.h"
#include "ZELRTCMeetingAvailableNotification.h"
#include "ZELRTCMeetingInvitationReceivedNotification.h"
#include "ZELTestParams.h"

TEST(ZELRTCConferenceParticipantListTest, ThreeListsAsTheyCame) {
  ZELRTCConferenceParticipantListNotification n;
  ZELListValZELUnicodeString strings;
  ZELRawCollint ints;
  EXPECT_EQ(S_OK, n.GetParticipantIds(strings));
  EXPECT_EQ(S_OK, n.GetParticipantRoles(ints));
  EXPECT_EQ("0|0", ZELJoin(strings.Size(), ints.Size()));

  ZELListValZELUnicodeString names;
  names.Append("Alice");
  names.Append("Bob");
  ZELRawCollint roles;
  for (int role : {1, 0, 2}) roles.Append(role);
  ASSERT_EQ(S_OK, ZELTestParams().Str("sip:conf@example.com").Str("alice").Add(names).Add(roles).Build(&n, 0));
  EXPECT_EQ("sip:conf@example.com", ZELNarrow(n.GetConferenceURI()));
  strings.Append("stale");
  EXPECT_EQ(S_OK, n.GetParticipantIds(strings));
  ASSERT_EQ(1, strings.Size());
  EXPECT_EQ("alice", ZELNarrow(strings[1]));
  EXPECT_EQ(S_OK, n.GetParticipantNames(strings));
  ASSERT_EQ(2, strings.Size());
  EXPECT_EQ("Alice|Bob", ZELJoin(strings[1], strings[2]));
  for (int i = 0; i < 4; ++i) ints.Append(9);
  EXPECT_EQ(S_OK, n.GetParticipantRoles(ints));
  ASSERT_EQ(3, ints.Size());
  EXPECT_EQ("1|0|2", ZELJoin(ints[1], ints[2], ints[3]));

  // Roles that are not an int list: the rest is filled, the roles are empty.
  EXPECT_EQ(E_FAIL, ZELTestParams().Str("sip:other@example.com").Str("carol").Str("Carol").Add(1).Build(&n, 0));
  EXPECT_EQ("sip:other@example.com", ZELNarrow(n.GetConferenceURI()));
  n.GetParticipantNames(strings);
  n.GetParticipantRoles(ints);
  ASSERT_EQ(1, strings.Size());
  EXPECT_EQ("Carol|0", ZELJoin(strings[1], ints.Size()));
}

TEST(ZELRTCConferenceParticipantTest, ParametersInTheirOwnOrder) {
  ZELRTCConferenceParticipantNotification n;
  ASSERT_EQ(S_OK, ZELTestParams().Str("sip:conf@example.com").Str("bob").Str("Bob B.").Add(-17).Build(&n, 7));
  EXPECT_EQ("sip:conf@example.com|bob|Bob B.|-17",
            ZELJoin(n.GetConferenceURI(), n.GetPartnerId(), n.GetPartnerName(), n.GetEventType()));
}

TEST(ZELRTCMeetingTest, AvailableAndInvitation) {
  ZELRTCMeetingAvailableNotification available;
  ASSERT_EQ(S_OK, ZELTestParams().Str("m-1").Str("https://meet.example.com/m-1").Build(&available, 0));
  EXPECT_EQ("m-1|https://meet.example.com/m-1", ZELJoin(available.GetMeetingId(), available.GetMeetingURL()));

  ZELRTCMeetingInvitationReceivedNotification invitation;
  auto all = [](ZELRTCMeetingInvitationReceivedNotification& n) {
    return ZELJoin(n.GetMeetingId(), n.GetMeetingName(), n.GetSenderId(), n.GetSenderName(), n.GetInvitationMsg(),
                   n.GetMeetingType());
  };
  EXPECT_EQ("|||||0", all(invitation));
  ASSERT_EQ(S_OK,
            ZELTestParams().Str("m-2").Str("Weekly").Str("alice").Str("Alice").Str("Join us").Add(3).Build(
                &invitation, 0));
  EXPECT_EQ("m-2|Weekly|alice|Alice|Join us|3", all(invitation));

  // A copy refused at its sender name keeps the fields before it; the original is untouched.
  ZELRTCMeetingInvitationReceivedNotification copy(invitation);
  EXPECT_EQ(E_FAIL, ZELTestParams().Str("m-3").Str("Daily").Str("bob").AddNull().Str("Come").Add(4).Build(&copy, 0));
  EXPECT_EQ("m-3|Daily|bob|Alice|Join us|3", all(copy));
  EXPECT_EQ("m-2|Weekly|alice|Alice|Join us|3", all(invitation));
  copy = invitation;
  EXPECT_EQ("m-2|Weekly|alice|Alice|Join us|3", all(copy));
}
