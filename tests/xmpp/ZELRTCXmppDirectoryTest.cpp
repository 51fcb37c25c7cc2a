// User information and lookups of the XMPP back end against a private prosody
// server: vCards published and read back, without a photo and with a photo of
// several hundred kilobytes; addresses outside the contact list resolved by
// what the server answers of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "ZELProsodyServer.h"
#include "ZELXmppSessionClient.h"
#include "ZELXmppTestSession.h"

namespace {

std::string Hex(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

class XmppDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZELXmppUseCatalog();
    ZELProsodyServer::Options options;
    options.vcard = true;
    options.stanzaSizeLimit = StanzaSizeLimit();
    ASSERT_TRUE(_server.Start(options)) << _server.Error() << _server.Log();
    for (const char* user : {"alice", "bob", "carol", "dave"})
      ASSERT_TRUE(_server.Register(user, std::string(user) + "-pw")) << _server.Error();
  }
  virtual size_t StanzaSizeLimit() { return 0; }
  ZELProsodyServer _server;
};

// A photo of several hundred kilobytes goes above the server's default stanza limit.
class XmppDirectoryBigPhotoTest : public XmppDirectoryTest {
 protected:
  size_t StanzaSizeLimit() override { return 4 * 1024 * 1024; }
};

// The lookups within the contact list are pinned in process; here, what the
// server itself answers: vCards published and read, and addresses outside the list.
TEST_F(XmppDirectoryTest, XmppVCardWithoutPhotoAndAddressesOutsideTheList) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(ZELXmppLogin(alice, _server, "alice") && ZELXmppLogin(bob, _server, "bob"));
  ZELXmppBefriend(alice, "alice", bob, "bob");

  ZELRTCXmppUserInfo card;
  card.name = "Bob Builder";
  card.title = "Engineer";
  card.telephone = "+33 1 23 45 67 89";
  card.mail = "bob@example.org";
  ASSERT_EQ(bob.Xmpp()->PublishMyInfo(card), S_OK);
  // Once the server has it, Bob reads his own card back.
  ASSERT_TRUE(bob.WaitFor("ZELRTCUserInfoReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  const std::string fields = " name=Bob Builder title=Engineer tel=+33 1 23 45 67 89 mail=bob@example.org photo=0:" +
                             Hex(ZELXmppFingerprint(nullptr, 0));
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCUserInfoReceivedNotification")[0],
            "ZELRTCUserInfoReceivedNotification user=bob@localhost(Offline)" + fields);
  ASSERT_EQ(alice.Xmpp()->RequestUserInfo("bob@localhost"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCUserInfoReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCUserInfoReceivedNotification")[0],
            "ZELRTCUserInfoReceivedNotification user=bob@localhost(Active)" + fields);
  // Carol has published nothing: the server says so.
  ASSERT_EQ(alice.Xmpp()->RequestUserInfo("carol@localhost"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCErrorNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCErrorNotification")[0],
            "ZELRTCErrorNotification carol@localhost answered with the error item-not-found. ");

  // Addresses outside the list are known by their vCards.
  ZELXmppSessionClient erin;  // no account: it never logs in
  ASSERT_TRUE(alice.Xmpp()->RemoveContact("bob@localhost") == S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCBuddyListUserNotification event=1", 1, kXmppWaitMs));
  ASSERT_EQ(alice.Xmpp()->ResolveUsers("bob@localhost", ZelRTCResolveExactMatch), S_OK);
  ASSERT_EQ(alice.Xmpp()->ResolveUsers("nobody@localhost", ZelRTCResolveExactMatch), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCUsersResolvedNotification", 2, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  const std::vector<std::string> resolved = alice.LinesStartingWith("ZELRTCUsersResolvedNotification");
  EXPECT_EQ(resolved[0],
            "ZELRTCUsersResolvedNotification event=0 name=bob@localhost ids=bob@localhost names=Bob Builder reason=0 option=0");
  EXPECT_EQ(resolved[1], "ZELRTCUsersResolvedNotification event=2 name=nobody@localhost ids= names= reason=404 option=0");

  EXPECT_EQ(alice.Xmpp()->ResolveUsers("", ZelRTCResolveDefault), E_INVALIDARG);
  EXPECT_EQ(alice.Xmpp()->ResolveUsers("x", static_cast<ZelRTCResolveUsersOption>(7)), E_INVALIDARG);
  ZELRTCXmppUserInfo bad;
  bad.photoLength = 10;  // without bytes
  EXPECT_EQ(alice.Xmpp()->PublishMyInfo(bad), E_INVALIDARG);
  EXPECT_EQ(erin.Xmpp()->RequestUserInfo("bob@localhost"), E_FAIL);  // not logged in
}

TEST_F(XmppDirectoryBigPhotoTest, XmppVCardWithAPhotoOfSeveralHundredKilobytes) {
  ZELXmppSessionClient alice, bob;
  ASSERT_TRUE(ZELXmppLogin(alice, _server, "alice") && ZELXmppLogin(bob, _server, "bob"));
  std::string photo(600 * 1024, '\0');
  std::mt19937 random(7);
  for (char& c : photo) c = static_cast<char>(random());
  ZELRTCXmppUserInfo card;
  card.name = "Bob";
  card.photo = photo.data();
  card.photoLength = static_cast<int>(photo.size());
  card.photoType = "image/png";
  ASSERT_EQ(bob.Xmpp()->PublishMyInfo(card), S_OK);
  ASSERT_TRUE(bob.WaitFor("ZELRTCUserInfoReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(bob.Lines());
  ASSERT_EQ(alice.Xmpp()->RequestUserInfo("bob@localhost"), S_OK);
  ASSERT_TRUE(alice.WaitFor("ZELRTCUserInfoReceivedNotification", 1, kXmppWaitMs)) << ZELXmppJoin(alice.Lines());
  const std::string expected = "ZELRTCUserInfoReceivedNotification user=bob@localhost(Offline) name=Bob title= tel= mail= "
                               "photo=614400:" + Hex(ZELXmppFingerprint(photo.data(), static_cast<int>(photo.size())));
  EXPECT_EQ(alice.LinesStartingWith("ZELRTCUserInfoReceivedNotification")[0], expected);
  EXPECT_EQ(bob.LinesStartingWith("ZELRTCUserInfoReceivedNotification")[0], expected);
}

}  // namespace
