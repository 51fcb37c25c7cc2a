// Users' vCards, the lookups and the expanded groups of an XMPP session, in process.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ZELBaseUnknown.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCLookupTypes.h"
#include "ZELRTCUserInfoReceivedNotification.h"
#include "ZELXmppFeatureHarness.h"
#include "ZELXmppSessionClient.h"

namespace {

constexpr const char* kVCardNs = "vcard-temp";
constexpr const char* kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
constexpr const char* kPrivateNs = "jabber:iq:private";

// What was posted but the contact list's own lines at login (the expanded groups' tests leave the roster unanswered).
std::string PostedOfExpanded(ZELXmppFeatureHarness& h) {
  std::vector<std::string> lines;
  for (const std::string& line : h.Posted())
    if (line.find("request roster") == std::string::npos) lines.push_back(line);
  return ZELXmppLines(lines);
}

const char* kRoster =
    "<item jid='bob@localhost' name='Bob B' subscription='both'><group>Friends</group></item>"
    "<item jid='bobby@localhost' name='Bobby' subscription='both'><group>Best Friends</group></item>"
    "<item jid='carol@localhost' name='Sam' subscription='to'><group>Work</group></item>"
    "<item jid='sam@localhost' name='SAM' subscription='to'><group>Work</group></item>"
    "<item jid='dave@localhost' subscription='from'/>";

// The only request sent, checked to be a get of `child` in `ns` to `to`.
ZELXmppXml OneRequest(ZELXmppFeatureHarness& h, const char* type, const std::string& to, const char* child,
                      const char* ns) {
  auto sent = h.Sent();
  EXPECT_EQ(sent.size(), 1u);
  if (sent.size() != 1) return {};
  EXPECT_EQ(sent[0].Name(), "iq");
  EXPECT_EQ(sent[0].Attr("type"), type);
  EXPECT_EQ(sent[0].Attr("to"), to);
  EXPECT_TRUE(sent[0].Child(child, ns).Valid()) << sent[0].Xml();
  return sent[0];
}

// Bytes 0..n-1 (mod 256) and their base64.
std::string Bytes(int n) {
  std::string bytes;
  for (int i = 0; i < n; ++i) bytes += static_cast<char>((i * 7) & 0xff);
  return bytes;
}
std::string Base64(ZELXmppFeatureHarness& h, const std::string& bytes) {
  char* encoded = xmpp_base64_encode(h.channel.Context(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                     bytes.size());
  std::string result = encoded ? encoded : "";
  if (encoded) xmpp_free(h.channel.Context(), encoded);
  return result;
}
std::string Fingerprint(const std::string& bytes) {
  std::ostringstream out;
  out << bytes.size() << ":" << std::hex << ZELXmppFingerprint(bytes.data(), static_cast<int>(bytes.size()));
  return out.str();
}

// The names of the users of the user-information notifications posted under the session.
class InfoUserNames {
 public:
  explicit InfoUserNames(ZELXmppFeatureHarness& h)
      : _subscription(ZELNotificationCenter::Subscribe(h.channel.SessionId())) {}
  ~InfoUserNames() { ZELNotificationCenter::Unsubscribe(_subscription); }
  std::vector<std::string> Take() {
    std::vector<std::string> names;
    ZELBaseUnknown* n = nullptr;
    while (ZELNotificationCenter::Wait(_subscription, 0, n) == 1) {
      if (auto* info = dynamic_cast<ZELRTCUserInfoReceivedNotification*>(n)) {
        ZELIRTCUser* user = info->GetUser();
        const ZELUnicodeString name = user ? user->GetName() : ZELUnicodeString("null");
        names.push_back(name.CastToCharPtr() ? name.CastToCharPtr() : "");
        if (user) user->Release();
      }
      n->Release();
    }
    return names;
  }

 private:
  int _subscription;
};

}  // namespace

TEST(XmppFeatureDirectory, UserInfoCarriesTheCardAndAPhotoWrappedInLinesIsReadWhole) {
  ZELXmppFeatureHarness h;
  h.channel.settings.requestTimeout = std::chrono::seconds(5);
  h.LoginWithRoster(kRoster);
  InfoUserNames names(h);
  h.features.directory.RequestUserInfo("bob@localhost");
  ZELXmppXml ask = OneRequest(h, "get", "bob@localhost", "vCard", kVCardNs);
  EXPECT_TRUE(ask.Child("vCard", kVCardNs).Children().empty());
  // The photo in lines of 76 characters, with blanks around as some servers write them.
  const std::string photo = Bytes(300);
  const std::string encoded = Base64(h, photo);
  std::string wrapped = "\n  ";
  for (size_t i = 0; i < encoded.size(); i += 76) wrapped += encoded.substr(i, 76) + "\r\n ";
  h.Answer(ask,
           "<vCard xmlns='vcard-temp'><FN>Bob Builder</FN><TITLE>Chief</TITLE><TEL><VOICE/><NUMBER>+1 555</NUMBER>"
           "</TEL><EMAIL><INTERNET/><USERID>bob@example.org</USERID></EMAIL><PHOTO><TYPE>image/png</TYPE><BINVAL>" +
               wrapped + "</BINVAL></PHOTO></vCard>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCUserInfoReceivedNotification user=bob@localhost(Offline) name=Bob Builder title=Chief tel=+1 555 "
            "mail=bob@example.org photo=" + Fingerprint(photo) + "\n");
  EXPECT_EQ(names.Take(), std::vector<std::string>{"Bob B"});

  // An empty card, an answer without card, a photo that is no base64.
  h.features.directory.RequestUserInfo("erin@localhost");
  h.Answer(OneRequest(h, "get", "erin@localhost", "vCard", kVCardNs), "<vCard xmlns='vcard-temp'/>");
  h.features.directory.RequestUserInfo("erin@localhost");
  h.Answer(OneRequest(h, "get", "erin@localhost", "vCard", kVCardNs), "");
  h.features.directory.RequestUserInfo("erin@localhost");
  h.Answer(OneRequest(h, "get", "erin@localhost", "vCard", kVCardNs),
           "<vCard xmlns='vcard-temp'><PHOTO><BINVAL>!!!*</BINVAL></PHOTO><FN>E</FN></vCard>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCUserInfoReceivedNotification user=erin@localhost(Offline) name= title= tel= mail= photo=" +
                Fingerprint("") + "\n" +
                "ZELRTCUserInfoReceivedNotification user=erin@localhost(Offline) name= title= tel= mail= photo=" +
                Fingerprint("") + "\n" +
                "ZELRTCUserInfoReceivedNotification user=erin@localhost(Offline) name=E title= tel= mail= photo=" +
                Fingerprint("") + "\n");
  EXPECT_EQ(names.Take(), std::vector<std::string>(3, "erin@localhost"));

  // Errors, no answer, a forged answer.
  h.features.directory.RequestUserInfo("bob@localhost");
  ask = OneRequest(h, "get", "bob@localhost", "vCard", kVCardNs);
  h.Answer(ask, "<vCard xmlns='vcard-temp'><FN>Forged</FN></vCard>", "mallory@localhost");
  EXPECT_TRUE(h.Posted().empty());
  h.AnswerError(ask, "item-not-found");
  h.features.directory.RequestUserInfo("bob@localhost");
  OneRequest(h, "get", "bob@localhost", "vCard", kVCardNs);
  h.Tick(5100);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification bob@localhost answered with the error item-not-found. \n"
            "ZELRTCErrorNotification The request vCard of bob@localhost ended without an answer (timeout).\n");
}

TEST(XmppFeatureDirectory, PublishMyInfoWritesTheCardWithBinvalInLinesOf76AndAsksItBack) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  ZELRTCXmppCard card;
  card.name = "Alice A";
  card.title = "Boss";
  card.telephone = "+33 1";
  card.mail = "alice@example.org";
  card.photo = Bytes(1000);
  card.photoType = "image/jpeg";
  h.features.directory.PublishMyInfo(card);
  ZELXmppXml set = OneRequest(h, "set", "", "vCard", kVCardNs);
  ZELXmppXml vcard = set.Child("vCard", kVCardNs);
  std::vector<std::string> children;
  for (const ZELXmppXml& c : vcard.Children()) children.push_back(c.Name());
  EXPECT_EQ(children, (std::vector<std::string>{"FN", "TITLE", "TEL", "EMAIL", "PHOTO"}));
  EXPECT_EQ(vcard.Child("FN").Text(), "Alice A");
  EXPECT_EQ(vcard.Child("TITLE").Text(), "Boss");
  EXPECT_TRUE(vcard.Child("TEL").Child("VOICE").Valid());
  EXPECT_EQ(vcard.Child("TEL").Child("NUMBER").Text(), "+33 1");
  EXPECT_TRUE(vcard.Child("EMAIL").Child("INTERNET").Valid());
  EXPECT_EQ(vcard.Child("EMAIL").Child("USERID").Text(), "alice@example.org");
  EXPECT_EQ(vcard.Child("PHOTO").Child("TYPE").Text(), "image/jpeg");
  const std::string binval = vcard.Child("PHOTO").Child("BINVAL").Text();
  const std::string encoded = Base64(h, card.photo);
  ASSERT_GT(encoded.size(), 76u * 10);
  std::string expected;
  for (size_t i = 0; i < encoded.size(); i += 76) expected += (i ? "\n" : "") + encoded.substr(i, 76);
  EXPECT_EQ(binval, expected);
  EXPECT_TRUE(h.Posted().empty());

  // Stored: my card is asked back (of my own account) and told.
  h.Answer(set);
  ZELXmppXml get = OneRequest(h, "get", "", "vCard", kVCardNs);
  h.Answer(get, "<vCard xmlns='vcard-temp'><FN>Alice A</FN><PHOTO><BINVAL>" + binval + "</BINVAL></PHOTO></vCard>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCUserInfoReceivedNotification user=alice@localhost(Offline) name=Alice A title= tel= mail= photo=" +
                Fingerprint(card.photo) + "\n");

  // Only the fields given; a photo without type; a refusal is told and nothing is asked back.
  ZELRTCXmppCard small;
  small.mail = "a@b";
  small.photo = "xyz";
  h.features.directory.PublishMyInfo(small);
  set = OneRequest(h, "set", "", "vCard", kVCardNs);
  EXPECT_EQ(set.Child("vCard", kVCardNs).Xml(),
            "<vCard xmlns=\"vcard-temp\"><EMAIL><INTERNET/><USERID>a@b</USERID></EMAIL><PHOTO><TYPE>"
            "application/octet-stream</TYPE><BINVAL>eHl6</BINVAL></PHOTO></vCard>");
  h.AnswerError(set, "not-acceptable");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification alice@localhost answered with the error not-acceptable. \n");
}

TEST(XmppFeatureDirectory, ResolveUsersInTheListExactlyOrAllMatches) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  auto& d = h.features.directory;
  d.ResolveUsers("bob b", ZelRTCResolveExactMatch);
  d.ResolveUsers("BOB@localhost", ZelRTCResolveDefault);
  d.ResolveUsers("bob", ZelRTCResolveAllMatches);
  d.ResolveUsers("bob", ZelRTCResolveExactMatch);
  d.ResolveUsers("sam", ZelRTCResolveDefault);
  d.ResolveUsers("sam", ZelRTCResolveAllMatches);
  d.ResolveUsers("dave@localhost", ZelRTCResolveExactMatch);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCUsersResolvedNotification event=0 name=bob b ids=bob@localhost names=Bob B reason=0 option=0\n"
            "ZELRTCUsersResolvedNotification event=0 name=BOB@localhost ids=bob@localhost names=Bob B reason=0 "
            "option=1\n"
            "ZELRTCUsersResolvedNotification event=0 name=bob ids=bob@localhost,bobby@localhost names=Bob B,Bobby "
            "reason=0 option=2\n"
            "ZELRTCUsersResolvedNotification event=2 name=bob ids= names= reason=404 option=0\n"
            "ZELRTCUsersResolvedNotification event=1 name=sam ids=carol@localhost,sam@localhost names=Sam,SAM "
            "reason=0 option=1\n"
            "ZELRTCUsersResolvedNotification event=0 name=sam ids=carol@localhost,sam@localhost names=Sam,SAM "
            "reason=0 option=2\n"
            "ZELRTCUsersResolvedNotification event=0 name=dave@localhost ids=dave@localhost names=dave@localhost "
            "reason=0 option=0\n");
  EXPECT_TRUE(h.Sent().empty());
}

TEST(XmppFeatureDirectory, ResolveAnAddressOutsideTheListByItsCardOrItsAccount) {
  ZELXmppFeatureHarness h;
  h.channel.settings.requestTimeout = std::chrono::seconds(5);
  h.LoginWithRoster(kRoster);
  auto& d = h.features.directory;
  const std::string resolved = "ZELRTCUsersResolvedNotification ";

  // A card with a field: found, named by its FN.
  d.ResolveUsers("zed@localhost", ZelRTCResolveDefault);
  ZELXmppXml ask = OneRequest(h, "get", "zed@localhost", "vCard", kVCardNs);
  h.Answer(ask, "<vCard xmlns='vcard-temp'><FN>Zed</FN></vCard>", "mallory@localhost");  // not the address asked
  EXPECT_TRUE(h.Posted().empty());
  h.Answer(ask, "<vCard xmlns='vcard-temp'><FN>Zed</FN></vCard>");
  // A card with another field but no name: found, named by its address.
  d.ResolveUsers("tom@localhost", ZelRTCResolveExactMatch);
  h.Answer(OneRequest(h, "get", "tom@localhost", "vCard", kVCardNs),
           "<vCard xmlns='vcard-temp'><TITLE>Cook</TITLE></vCard>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            resolved + "event=0 name=zed@localhost ids=zed@localhost names=Zed reason=0 option=1\n" + resolved +
                "event=0 name=tom@localhost ids=tom@localhost names=tom@localhost reason=0 option=0\n");
  EXPECT_TRUE(h.Sent().empty());

  // An empty card is no evidence: the discovery of the address tells, an account only.
  d.ResolveUsers("empty@localhost", ZelRTCResolveDefault);
  h.Answer(OneRequest(h, "get", "empty@localhost", "vCard", kVCardNs), "<vCard xmlns='vcard-temp'/>");
  EXPECT_TRUE(h.Posted().empty());
  ZELXmppXml disco = OneRequest(h, "get", "empty@localhost", "query", kDiscoInfoNs);
  EXPECT_EQ(disco.Child("query", kDiscoInfoNs).Attr("node"), "");
  h.Answer(disco, "<query xmlns='http://jabber.org/protocol/disco#info'><identity category='account' "
                  "type='registered'/></query>");
  d.ResolveUsers("ghost@localhost", ZelRTCResolveDefault);
  h.Answer(OneRequest(h, "get", "ghost@localhost", "vCard", kVCardNs), "");
  h.Answer(OneRequest(h, "get", "ghost@localhost", "query", kDiscoInfoNs),
           "<query xmlns='http://jabber.org/protocol/disco#info'><identity category='client' type='pc'/>"
           "<feature var='account'/></query>");
  d.ResolveUsers("ghost2@localhost", ZelRTCResolveDefault);
  h.Answer(OneRequest(h, "get", "ghost2@localhost", "vCard", kVCardNs), "<vCard xmlns='vcard-temp'/>");
  h.AnswerError(OneRequest(h, "get", "ghost2@localhost", "query", kDiscoInfoNs), "service-unavailable");
  d.ResolveUsers("ghost3@localhost", ZelRTCResolveDefault);
  h.Answer(OneRequest(h, "get", "ghost3@localhost", "vCard", kVCardNs), "<vCard xmlns='vcard-temp'/>");
  OneRequest(h, "get", "ghost3@localhost", "query", kDiscoInfoNs);
  h.Tick(5100);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            resolved + "event=0 name=empty@localhost ids=empty@localhost names=empty@localhost reason=0 option=1\n" +
                resolved + "event=2 name=ghost@localhost ids= names= reason=404 option=1\n" + resolved +
                "event=2 name=ghost2@localhost ids= names= reason=404 option=1\n" + resolved +
                "event=2 name=ghost3@localhost ids= names= reason=504 option=1\n");

  // The server's error is the reason, without asking more; no answer is 504.
  d.ResolveUsers("nobody@localhost", ZelRTCResolveExactMatch);
  h.AnswerError(OneRequest(h, "get", "nobody@localhost", "vCard", kVCardNs), "item-not-found");
  d.ResolveUsers("far@elsewhere", ZelRTCResolveExactMatch);
  h.AnswerError(OneRequest(h, "get", "far@elsewhere", "vCard", kVCardNs), "service-unavailable");
  d.ResolveUsers("slow@localhost", ZelRTCResolveAllMatches);
  OneRequest(h, "get", "slow@localhost", "vCard", kVCardNs);
  h.Tick(5100);
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            resolved + "event=2 name=nobody@localhost ids= names= reason=404 option=0\n" + resolved +
                "event=2 name=far@elsewhere ids= names= reason=503 option=0\n" + resolved +
                "event=2 name=slow@localhost ids= names= reason=504 option=2\n");
  // Offline: no answer at all.
  h.Offline();
  d.ResolveUsers("zed@localhost", ZelRTCResolveDefault);
  EXPECT_EQ(ZELXmppLines(h.Posted()), resolved + "event=2 name=zed@localhost ids= names= reason=504 option=1\n");
}

TEST(XmppFeatureDirectory, ResolveGroupsPrefersTheExactNameAndGroupContentListsItsUsers) {
  ZELXmppFeatureHarness h;
  h.LoginWithRoster(kRoster);
  auto& d = h.features.directory;
  d.ResolveGroups("friends");
  d.ResolveGroups("FRIEND");
  d.ResolveGroups("work");
  d.ResolveGroups("Family");
  d.ResolveGroups("contacts");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCGroupsResolvedNotification event=0 name=friends ids=Friends names=Friends reason=0\n"
            "ZELRTCGroupsResolvedNotification event=1 name=FRIEND ids=Best Friends,Friends names=Best Friends,Friends "
            "reason=0\n"
            "ZELRTCGroupsResolvedNotification event=0 name=work ids=Work names=Work reason=0\n"
            "ZELRTCGroupsResolvedNotification event=2 name=Family ids= names= reason=404\n"
            "ZELRTCGroupsResolvedNotification event=0 name=contacts ids=Contacts names=Contacts reason=0\n");
  d.GroupContent("Work");
  d.GroupContent("Contacts");
  d.GroupContent("work");
  d.GroupContent("");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCGroupContentNotification event=0 group=Work{carol@localhost(Offline),sam@localhost(Offline)} "
            "name=Work reason=0\n"
            "ZELRTCGroupContentNotification event=0 group=Contacts{dave@localhost(Offline)} name=Contacts reason=0\n"
            "ZELRTCGroupContentNotification event=1 group=null name=work reason=404\n"
            "ZELRTCGroupContentNotification event=1 group=null name= reason=404\n");
  // The users as their presence stands.
  h.Feed("<presence from='sam@localhost/x'><show>dnd</show></presence>");
  h.Posted();
  d.GroupContent("Work");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCGroupContentNotification event=0 group=Work{carol@localhost(Offline),sam@localhost(DND)} "
            "name=Work reason=0\n");
  EXPECT_TRUE(h.Sent().empty());
}

TEST(XmppFeatureExpandedGroups, ReadAtAFreshLoginStoredOnChangeAndToldOnceStored) {
  ZELXmppFeatureHarness h;
  h.channel.settings.requestTimeout = std::chrono::seconds(5);
  h.Online();
  ZELXmppXml read = ZELXmppRequestOf(h.Sent(), "query", kPrivateNs);
  ASSERT_TRUE(read.Valid());
  EXPECT_EQ(read.Attr("type"), "get");
  EXPECT_EQ(read.Attr("to"), "");
  EXPECT_EQ(read.Child("query", kPrivateNs).Xml(),
            "<query xmlns=\"jabber:iq:private\"><expanded xmlns=\"urn:zelrtc:expanded-groups:0\"/></query>");
  h.Answer(read, "<query xmlns='jabber:iq:private'><expanded xmlns='urn:zelrtc:expanded-groups:0'>"
                 "<group>Work</group><group>Friends</group><group/><item>X</item><group>Work</group></expanded>"
                 "</query>");
  EXPECT_EQ(PostedOfExpanded(h), "ZELRTCBuddyListExpandedNotification event=0 groups=Friends,Work\n");

  // A resumed stream asks nothing.
  h.Offline();
  h.Online(false);
  EXPECT_FALSE(ZELXmppRequestOf(h.Sent(), "query", kPrivateNs).Valid());

  // A change is stored whole, told once the server has it.
  h.features.expandedGroups.SetExpanded("Family", true);
  ZELXmppXml store = OneRequest(h, "set", "", "query", kPrivateNs);
  EXPECT_EQ(store.Child("query", kPrivateNs).Xml(),
            "<query xmlns=\"jabber:iq:private\"><expanded xmlns=\"urn:zelrtc:expanded-groups:0\"><group>Family"
            "</group><group>Friends</group><group>Work</group></expanded></query>");
  EXPECT_TRUE(h.Posted().empty());
  h.features.expandedGroups.SetExpanded("Work", false);
  ZELXmppXml store2 = OneRequest(h, "set", "", "query", kPrivateNs);
  h.Answer(store);
  h.Answer(store2);
  EXPECT_EQ(PostedOfExpanded(h),
            "ZELRTCBuddyListExpandedNotification event=1 groups=Family,Friends,Work\n"
            "ZELRTCBuddyListExpandedNotification event=1 groups=Family,Friends\n");
  // Refused or unanswered: an error notification, nothing told as stored.
  h.features.expandedGroups.SetExpanded("Friends", false);
  h.AnswerError(OneRequest(h, "set", "", "query", kPrivateNs), "not-acceptable");
  h.features.expandedGroups.SetExpanded("Friends", false);
  OneRequest(h, "set", "", "query", kPrivateNs);
  h.Tick(5100);
  EXPECT_EQ(PostedOfExpanded(h),
            "ZELRTCErrorNotification alice@localhost answered with the error not-acceptable. \n"
            "ZELRTCErrorNotification The request expanded groups ended without an answer (timeout).\n");
}

TEST(XmppFeatureExpandedGroups, ErrorsAndMalformedStorageAtLogin) {
  ZELXmppFeatureHarness h;
  h.channel.settings.requestTimeout = std::chrono::seconds(5);
  // Text, a group of markup, a group: only the last is read.
  const char* const kMixed =
      "<query xmlns='jabber:iq:private'><expanded xmlns='urn:zelrtc:expanded-groups:0'>text<group><b>C</b></group>"
      "<group>D</group></expanded></query>";
  const char* answers[] = {
      "",                                                                       // no query at all
      "<query xmlns='jabber:iq:private'/>",                                     // nothing stored
      "<query xmlns='jabber:iq:private'><expanded xmlns='urn:other'><group>A</group></expanded></query>",
      "<query xmlns='urn:other'><expanded xmlns='urn:zelrtc:expanded-groups:0'><group>B</group></expanded></query>",
      kMixed,
  };
  std::string expected;
  for (const char* answer : answers) {
    h.Online();
    h.Answer(ZELXmppRequestOf(h.Sent(), "query", kPrivateNs), answer);
    h.Offline();
  }
  EXPECT_EQ(PostedOfExpanded(h),
            "ZELRTCBuddyListExpandedNotification event=0 groups=\n"
            "ZELRTCBuddyListExpandedNotification event=0 groups=\n"
            "ZELRTCBuddyListExpandedNotification event=0 groups=\n"
            "ZELRTCBuddyListExpandedNotification event=0 groups=\n"
            "ZELRTCBuddyListExpandedNotification event=0 groups=D\n");
  h.Online();
  h.AnswerError(ZELXmppRequestOf(h.Sent(), "query", kPrivateNs), "service-unavailable");
  h.Offline();
  h.Online();
  ASSERT_TRUE(ZELXmppRequestOf(h.Sent(), "query", kPrivateNs).Valid());
  h.Tick(5100);
  // The connection gone before the answer: nothing told.
  h.Offline();
  h.Online();
  h.Offline();
  EXPECT_EQ(PostedOfExpanded(h),
            "ZELRTCErrorNotification alice@localhost answered with the error service-unavailable. \n"
            "ZELRTCErrorNotification The request expanded groups ended without an answer (timeout).\n");
}
