// Chat messages, data and the sequence and acknowledgement layer, in process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ZELBaseUnknown.h"
#include "ZELNotificationCenter.h"
#include "ZELRTCDataReceivedNotification.h"
#include "ZELRTCSplittedDataReceivedNotification.h"
#include "ZELRTCTypedDataReceivedNotification.h"
#include "ZELXmppFeatureHarness.h"

namespace {

constexpr const char* kReliableNs = "urn:zelrtc:reliable:0";
constexpr const char* kDataNs = "urn:zelrtc:data:0";
const std::string kBobEpoch = "b0b0b0b0b0b0b0b0";

std::string Im(const std::string& from, const std::string& text, const std::string& name = "") {
  return "ZELRTCInstantMessageReceivedNotification from=" + from + " name=" + (name.empty() ? from : name) +
         " text=" + text + " encrypted=0 event=0";
}

// A presence of `full` whose capabilities are this back end's own: the device speaks the layer.
void SpeaksTheLayer(ZELXmppFeatureHarness& h, const std::string& full = "bob@localhost/phone") {
  h.Feed("<presence from='" + full + "'><c xmlns='http://jabber.org/protocol/caps' hash='sha-1' " +
         "node='urn:zelrtc:client' ver='" + h.features.dispatcher.CapsVersion() + "'/></presence>");
}

// Online, with bob a peer of the layer, nothing sent or posted left over.
void Start(ZELXmppFeatureHarness& h, bool bobSpeaksTheLayer = true) {
  h.Online();
  for (const ZELXmppXml& iq : ZELXmppOfName(h.Sent(), "iq")) h.Answer(iq);  // what the login asks
  if (bobSpeaksTheLayer) SpeaksTheLayer(h);
  h.Sent();
  h.Posted();
}

std::string Ids(const std::vector<ZELXmppXml>& sent) {
  std::string ids;
  for (const ZELXmppXml& s : sent) ids += (ids.empty() ? "" : " ") + s.Attr("id");
  return ids;
}

// The epoch of the markers alice's session sends (from one of its ids).
std::string EpochOf(const ZELXmppXml& message) {
  const std::string id = message.Attr("id");
  if (id.rfind("zr-", 0) != 0) return "";
  return id.substr(3, id.find('-', 3) - 3);
}

// A chat message from bob carrying the marker N-B of `epoch`.
std::string FromBob(uint64_t n, uint64_t base, const std::string& text, const std::string& epoch = kBobEpoch,
                    const std::string& from = "bob@localhost/phone") {
  return "<message type='chat' from='" + from + "' to='alice@localhost/desk' id='zr-" + epoch + "-" +
         std::to_string(n) + "-" + std::to_string(base) + "'><body>" + text + "</body></message>";
}

std::string AckFrom(const std::string& from, const std::string& epoch, uint64_t h) {
  return "<message type='headline' from='" + from + "' to='alice@localhost/desk'><ack xmlns='urn:zelrtc:reliable:0' "
         "e='" + epoch + "' h='" + std::to_string(h) + "'/></message>";
}

// The partner names of the data notifications posted to `subscription` (a second one beside the harness's).
std::vector<std::string> DataPartnerNames(int subscription) {
  std::vector<std::string> names;
  ZELBaseUnknown* n = nullptr;
  while (ZELNotificationCenter::Wait(subscription, 0, n) == 1) {
    ZELUnicodeString name;
    if (auto* d = dynamic_cast<ZELRTCDataReceivedNotification*>(n)) name = d->GetPartnerName();
    if (auto* t = dynamic_cast<ZELRTCTypedDataReceivedNotification*>(n)) name = t->GetPartnerName();
    if (auto* s = dynamic_cast<ZELRTCSplittedDataReceivedNotification*>(n)) name = s->GetPartnerName();
    if (name.CastToCharPtr()) names.push_back(name.CastToCharPtr());
    n->Release();
  }
  return names;
}

// Expects `sent` to be exactly one acknowledgement to bob of his epoch up to `h` asking for what is missing up to `want`.
void ExpectGapAsk(const std::vector<ZELXmppXml>& sent, uint64_t h, uint64_t want) {
  ASSERT_EQ(sent.size(), 1u) << Ids(sent);
  ZELXmppXml ack = sent[0].Child("ack", "urn:zelrtc:reliable:0");
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost");
  EXPECT_EQ(ack.Attr("e"), kBobEpoch);
  EXPECT_EQ(ack.Attr("h"), std::to_string(h));
  EXPECT_EQ(ack.Attr("want"), std::to_string(want));
}

// Expects `sent` to be exactly one acknowledgement to `to` of `epoch` up to `h`.
void ExpectAck(const std::vector<ZELXmppXml>& sent, const std::string& to, const std::string& epoch, uint64_t h) {
  ASSERT_EQ(sent.size(), 1u) << Ids(sent);
  EXPECT_EQ(sent[0].Name(), "message");
  EXPECT_EQ(sent[0].Attr("type"), "headline");
  EXPECT_EQ(sent[0].Attr("to"), to);
  EXPECT_FALSE(sent[0].Child("body").Valid());
  ZELXmppXml ack = sent[0].Child("ack", kReliableNs);
  ASSERT_TRUE(ack.Valid()) << sent[0].Xml();
  EXPECT_EQ(ack.Attr("e"), epoch);
  EXPECT_EQ(ack.Attr("h"), std::to_string(h));
}

}  // namespace

// A contact whose devices do not announce the layer gets each message once,
// plain, and never again: not after a fresh login, a resumption, nor when it comes online.
TEST(XmppFeatureMessaging, PeerWithoutTheLayerGetsEachMessageOncePlain) {
  ZELXmppFeatureHarness h;
  Start(h, false);
  h.Feed("<presence from='carol@localhost/pc'/>");  // available, no capabilities
  h.Posted();
  h.features.messaging.SendText("carol@localhost", "hi <carol> & \"you\"");
  h.features.messaging.SendText("carol@localhost", "again");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].Name(), "message");
  EXPECT_EQ(sent[0].Attr("type"), "chat");
  EXPECT_EQ(sent[0].Attr("to"), "carol@localhost");
  EXPECT_EQ(sent[0].Child("body").Text(), "hi <carol> & \"you\"");
  EXPECT_EQ(sent[0].Children().size(), 1u) << sent[0].Xml();
  for (const ZELXmppXml& s : sent) {
    EXPECT_FALSE(s.Attr("id").empty());
    EXPECT_NE(s.Attr("id").rfind("zr-", 0), 0u) << s.Attr("id");
  }
  EXPECT_NE(sent[0].Attr("id"), sent[1].Attr("id"));

  // Nothing goes again, whatever happens to the stream or to carol.
  h.Offline();
  h.Online(true);
  h.Tick();
  h.Offline();
  h.Online(false);
  h.Feed("<presence from='carol@localhost/pc' type='unavailable'/>");
  h.Tick();
  h.Feed("<presence from='carol@localhost/pc'/>");
  h.Tick();
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "message").empty());

  // A device of carol announces capabilities of another version: asked once; without the layer, still plain.
  h.Feed("<presence from='carol@localhost/pc'><c xmlns='http://jabber.org/protocol/caps' hash='sha-1' "
         "node='urn:other' ver='abc='/></presence>");
  auto iqs = ZELXmppOfName(h.Sent(), "iq");
  ASSERT_EQ(iqs.size(), 1u);
  h.Answer(iqs[0], "<query xmlns='http://jabber.org/protocol/disco#info' node='urn:other#abc='>"
                   "<feature var='urn:zelrtc:data:0'/></query>");
  h.features.messaging.SendText("carol@localhost", "plain");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].Attr("id").rfind("zr-", 0), 0u) << sent[0].Attr("id");

  // The same answered with the layer: sequenced from then on.
  h.Feed("<presence from='carol@localhost/tab'><c xmlns='http://jabber.org/protocol/caps' hash='sha-1' "
         "node='urn:other' ver='def='/></presence>");
  iqs = ZELXmppOfName(h.Sent(), "iq");
  ASSERT_EQ(iqs.size(), 1u);
  EXPECT_EQ(iqs[0].Attr("to"), "carol@localhost/tab");
  h.Answer(iqs[0], "<query xmlns='http://jabber.org/protocol/disco#info' node='urn:other#def='>"
                   "<feature var='urn:zelrtc:reliable:0'/></query>");
  h.features.messaging.SendText("carol@localhost", "sequenced");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("id"), "zr-" + EpochOf(sent[0]) + "-1-1");
  EXPECT_EQ(EpochOf(sent[0]).size(), 16u);
}

// To a peer of the layer: markers N-B in the ids; acknowledgements of my epoch
// from the peer empty the queue; a fresh login sends again what is left, a
// resumed stream nothing; the peer coming online gets it again once.
TEST(XmppFeatureMessaging, SenderKeepsWhatIsNotAcknowledgedAndSendsItAgainWhenItMayBeLost) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.messaging.SendText("bob@localhost", "one");
  h.features.messaging.SendText("bob@localhost", "two");
  h.features.messaging.SendText("bob@localhost", "three");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 3u);
  const std::string e = EpochOf(sent[0]);
  ASSERT_EQ(e.size(), 16u) << sent[0].Attr("id");
  EXPECT_EQ(Ids(sent), "zr-" + e + "-1-1 zr-" + e + "-2-1 zr-" + e + "-3-1");
  EXPECT_EQ(sent[1].Attr("to"), "bob@localhost");
  EXPECT_EQ(sent[1].Attr("type"), "chat");
  EXPECT_EQ(sent[1].Child("body").Text(), "two");

  // Acknowledgements of another epoch, from another address, or unreadable change nothing.
  h.Feed(AckFrom("bob@localhost/phone", "0000000000000000", 3));
  h.Feed(AckFrom("mallory@localhost/x", e, 3));
  h.Feed(AckFrom("bob@localhost/phone", e, 0));
  h.Feed("<message type='headline' from='bob@localhost/phone'><ack xmlns='urn:zelrtc:reliable:1' e='" + e +
         "' h='3'/></message>");
  h.Feed("<message type='headline' from='bob@localhost/phone'><ack xmlns='urn:zelrtc:reliable:0' e='" + e +
         "' h='x3'/></message>");
  h.features.messaging.SendText("bob@localhost", "four");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("id"), "zr-" + e + "-4-1");
  EXPECT_TRUE(h.Posted().empty());

  // Bob's acknowledgement up to 2: the oldest not acknowledged is 3.
  h.Feed(AckFrom("bob@localhost/tablet", e, 2));
  h.features.messaging.SendText("bob@localhost", "five");
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("id"), "zr-" + e + "-5-3");

  // A resumed stream lost nothing.
  h.Offline();
  h.Online(false);
  h.Tick();
  EXPECT_TRUE(h.Sent().empty());
  // A fresh login: 3, 4 and 5 again, as they were.
  h.Offline();
  h.Online(true);
  sent = ZELXmppOfName(h.Sent(), "message");
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(Ids(sent), "zr-" + e + "-3-1 zr-" + e + "-4-1 zr-" + e + "-5-3");
  EXPECT_EQ(sent[2].Child("body").Text(), "five");
  EXPECT_EQ(sent[2].Attr("to"), "bob@localhost");

  // Bob comes online (after the login, and again after going away): once each time.
  SpeaksTheLayer(h);
  h.Tick();
  EXPECT_EQ(Ids(h.Sent()), "zr-" + e + "-3-1 zr-" + e + "-4-1 zr-" + e + "-5-3");
  h.Tick();
  h.Feed("<presence from='bob@localhost/tablet'/>");  // another device: bob was online already
  h.Tick();
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "message").empty());
  h.Feed(AckFrom("bob@localhost/phone", e, 4));
  h.Feed("<presence from='bob@localhost/phone' type='unavailable'/>");
  h.Feed("<presence from='bob@localhost/tablet' type='unavailable'/>");
  h.Tick();
  EXPECT_TRUE(h.Sent().empty());
  SpeaksTheLayer(h);
  h.Tick();
  h.Tick();
  EXPECT_EQ(Ids(h.Sent()), "zr-" + e + "-5-3");
  // Everything acknowledged: nothing more, ever.
  h.Feed(AckFrom("bob@localhost/phone", e, 5));
  h.Offline();
  h.Online(true);
  h.Feed("<presence from='bob@localhost/phone' type='unavailable'/>");
  h.Tick();
  SpeaksTheLayer(h);
  h.Tick();
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "message").empty());
}

// Messages to one of bob's devices are bob's: his acknowledgement and his coming online count.
TEST(XmppFeatureMessaging, MessagesToAFullAddressAreThePeersQueue) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.messaging.SendText("bob@localhost/phone", "one");
  h.features.messaging.SendText("bob@localhost", "two");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  const std::string e = EpochOf(sent[0]);
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost/phone");
  EXPECT_EQ(Ids(sent), "zr-" + e + "-1-1 zr-" + e + "-2-1");
  h.Feed(AckFrom("bob@localhost/phone", e, 1));
  h.Feed("<presence from='bob@localhost/phone' type='unavailable'/>");
  h.Tick();
  SpeaksTheLayer(h);
  h.Tick();
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("id"), "zr-" + e + "-2-1");
  h.Feed(AckFrom("bob@localhost/phone", e, 2));
  h.Offline();
  h.Online(true);
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "message").empty());
}

// The receiver delivers in order, holds what comes early (10 s at most), drops
// what it has seen and acknowledges it again, every 32 messages and on the next tick.
TEST(XmppFeatureMessaging, ReceiverDeliversInOrderOnceAndAcknowledges) {
  ZELXmppFeatureHarness h;
  Start(h);
  ASSERT_TRUE(h.Feed(FromBob(1, 1, "one")));
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("bob@localhost", "one") + "\n");
  EXPECT_TRUE(h.Sent().empty());  // not before the tick
  h.Tick();
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 1);
  h.Tick();
  EXPECT_TRUE(h.Sent().empty());
  // The last one delivered again: dropped, acknowledged again, never delivered later.
  h.Feed(FromBob(1, 1, "one"));
  h.Tick();
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 1);
  h.Tick(10000);
  EXPECT_TRUE(h.Posted().empty());
  EXPECT_TRUE(h.Sent().empty());

  // 3 and 4 early: held until 2 comes, which is asked for at once.
  h.Feed(FromBob(3, 1, "three"));
  h.Feed(FromBob(4, 1, "four"));
  EXPECT_TRUE(h.Posted().empty());
  ExpectGapAsk(h.Sent(), 1, 2);
  h.Tick();
  EXPECT_TRUE(h.Sent().empty());  // nothing new delivered, the gap asked for less than a second ago
  h.Feed(FromBob(2, 1, "two"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            Im("bob@localhost", "two") + "\n" + Im("bob@localhost", "three") + "\n" + Im("bob@localhost", "four") + "\n");
  h.Tick();
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 4);

  // Seen already (delivered, or held): dropped, and acknowledged again on the next tick.
  h.Feed(FromBob(3, 1, "three"));
  h.Feed(FromBob(6, 1, "six"));
  h.Feed(FromBob(6, 1, "six"));
  EXPECT_TRUE(h.Posted().empty());
  ExpectGapAsk(h.Sent(), 4, 5);
  h.Tick();
  ExpectGapAsk(h.Sent(), 4, 5);

  // The gap of 5 is asked for every second, then given up after 10 s.
  h.Tick(9800);
  ExpectGapAsk(h.Sent(), 4, 5);
  EXPECT_TRUE(h.Posted().empty());
  h.Tick(100);
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("bob@localhost", "six") + "\n");
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 6);
  h.Feed(FromBob(5, 1, "five"));  // too late
  EXPECT_TRUE(h.Posted().empty());

  // Every 32 delivered: at once, without waiting for the tick.
  for (uint64_t n = 7; n <= 37; ++n) h.Feed(FromBob(n, 7, "m" + std::to_string(n)));
  EXPECT_TRUE(h.Sent().empty());
  h.Feed(FromBob(38, 7, "m38"));
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 38);
  EXPECT_EQ(h.Posted().size(), 32u);
  h.Feed(FromBob(39, 7, "m39"));
  EXPECT_TRUE(h.Sent().empty());
  h.Tick();
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 39);
  EXPECT_EQ(h.Posted().size(), 1u);

  // Bob's base passed a gap (he was told by another of my devices): what is held up to it goes at once.
  h.Feed(FromBob(45, 41, "m45"));
  EXPECT_TRUE(h.Posted().empty());
  h.Feed(FromBob(46, 45, "m46"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("bob@localhost", "m45") + "\n" + Im("bob@localhost", "m46") + "\n");
}

// A new sender (a session I never heard, or a restarted one) starts at its
// base: what it has not had acknowledged is awaited, what came before is not.
TEST(XmppFeatureMessaging, NewAndRestartedSendersStartAtTheirBase) {
  ZELXmppFeatureHarness h;
  Start(h);
  // Bob's session had 1 and 2 acknowledged by my former session: 5 waits for 3 and 4.
  h.Feed(FromBob(5, 3, "five"));
  EXPECT_TRUE(h.Posted().empty());
  ExpectGapAsk(h.Sent(), 2, 4);
  h.Feed(FromBob(3, 3, "three"));
  h.Feed(FromBob(4, 3, "four"));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            Im("bob@localhost", "three") + "\n" + Im("bob@localhost", "four") + "\n" + Im("bob@localhost", "five") +
                "\n");
  h.Tick();
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 5);
  // Bob restarted: a new epoch counts from its own start, acknowledged apart.
  h.Feed(FromBob(1, 1, "new one", "b1b1b1b1b1b1b1b1", "bob@localhost/other"));
  h.Feed(FromBob(6, 3, "six"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("bob@localhost", "new one") + "\n" + Im("bob@localhost", "six") + "\n");
  h.Tick();
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  std::vector<std::string> acks;
  for (const ZELXmppXml& s : sent) acks.push_back(s.Attr("to") + " " + s.Child("ack", kReliableNs).Attr("e") + " " +
                                                 s.Child("ack", kReliableNs).Attr("h"));
  std::sort(acks.begin(), acks.end());
  EXPECT_EQ(acks, (std::vector<std::string>{"bob@localhost " + kBobEpoch + " 6", "bob@localhost b1b1b1b1b1b1b1b1 1"}));
  // The same epoch from another sender is another sender.
  h.Feed(FromBob(7, 7, "not bob", kBobEpoch, "mallory@localhost/x"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("mallory@localhost", "not bob") + "\n");
  // A marker without base starts at N; ids of other shapes are delivered as they come, every time.
  h.Feed("<message type='chat' from='dave@localhost/x' id='zr-d-4-'><body>d4</body></message>");
  h.Feed("<message type='chat' from='dave@localhost/x' id='zr-d-0-1'><body>zero</body></message>");
  h.Feed("<message type='chat' from='dave@localhost/x' id='zr-d-0-1'><body>zero</body></message>");
  h.Feed("<message from='dave@localhost/x'><body>no id</body></message>");
  const std::string longEpoch(65, 'e');  // no session's: not kept
  h.Feed(FromBob(1, 1, "long", longEpoch, "dave@localhost/x"));
  h.Feed(FromBob(1, 1, "long", longEpoch, "dave@localhost/x"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("dave@localhost", "d4") + "\n" + Im("dave@localhost", "zero") + "\n" +
                                          Im("dave@localhost", "zero") + "\n" + Im("dave@localhost", "no id") + "\n" +
                                          Im("dave@localhost", "long") + "\n" + Im("dave@localhost", "long") + "\n");
}

// The receiver remembers at most 4,096 senders: a peer forging markers of as
// many sessions makes it forget the least recently heard, never lose a message.
TEST(XmppFeatureMessaging, SendersBeyondTheLimitAreForgottenLeastRecentlyHeardFirst) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.Feed(FromBob(1, 1, "first"));
  h.Feed(FromBob(3, 1, "held"));  // bob's 2 is missing
  h.Posted();
  h.Tick();
  h.Sent();
  char epoch[17];
  for (int i = 0; i < 4096; ++i) {
    std::snprintf(epoch, sizeof epoch, "%016x", i + 1);
    h.Feed("<message type='chat' from='mallory@localhost/x' id='zr-" + std::string(epoch) + "-1-1'><body>m</body></message>");
  }
  // Bob, heard least recently, is forgotten: what he held goes first, and his sender is acknowledged.
  auto posted = h.Posted();
  ASSERT_EQ(posted.size(), 4097u);
  EXPECT_EQ(posted[4095], Im("bob@localhost", "held"));
  auto sent = h.Sent();
  ASSERT_FALSE(sent.empty());
  ExpectAck({sent[0]}, "bob@localhost", kBobEpoch, 3);
  // A new sender is delivered; bob, forgotten, is new again.
  h.Feed(FromBob(1, 1, "carol", "c0c0c0c0c0c0c0c0", "carol@localhost/x"));
  h.Feed(FromBob(4, 4, "after"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("carol@localhost", "carol") + "\n" + Im("bob@localhost", "after") + "\n");
  h.Feed(FromBob(4, 4, "after"));
  EXPECT_TRUE(h.Posted().empty());
}

// Which messages tell: chat, normal, headline and untyped with a body; not
// groupchat, unknown types, chat states, nor messages without a sender.
TEST(XmppFeatureMessaging, OnlyMessagesWithABodyOfTheKnownTypesAreDelivered) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.contacts.AddContact("dave@localhost", "Dave", "Friends");
  h.Feed("<iq type='set' id='push1'><query xmlns='jabber:iq:roster'><item jid='dave@localhost' name='Dave' "
         "subscription='both'><group>Friends</group></item></query></iq>");
  h.Sent();
  h.Posted();
  h.Feed("<message type='headline' from='news@localhost'><body>news</body></message>");
  h.Feed("<message type='normal' from='dave@localhost/x'><body>normal</body></message>");
  h.Feed("<message from='dave@localhost/x'><body>untyped</body></message>");
  h.Feed("<message type='groupchat' from='room@conference.localhost/dave'><body>room</body></message>");
  h.Feed("<message type='weird' from='dave@localhost/x'><body>weird</body></message>");
  h.Feed("<message type='chat' from='dave@localhost/x'><composing xmlns='http://jabber.org/protocol/chatstates'/>"
         "</message>");
  h.Feed("<message type='chat'><body>nobody</body></message>");
  h.Feed("<message type='chat' from='dave@localhost/x'><body/></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("news@localhost", "news") + "\n" + Im("dave@localhost", "normal", "Dave") +
                                          "\n" + Im("dave@localhost", "untyped", "Dave") + "\n" +
                                          Im("dave@localhost", "", "Dave") + "\n");
  EXPECT_TRUE(h.Sent().empty());
}

// A message error is reported; a copy of a sequenced message of mine that the
// server bounced is not: it goes again when the peer comes online.
TEST(XmppFeatureMessaging, MessageErrorsAreReportedButNotBouncedCopiesOfMine) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.Feed("<message type='error' from='carol@localhost' id='m1'><error type='cancel'>"
         "<service-unavailable xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/>"
         "<text xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'>gone</text></error></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCErrorNotification carol@localhost answered with the error "
                                      "service-unavailable. gone\n");
  h.features.messaging.SendText("bob@localhost", "one");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  const std::string id = sent[0].Attr("id");
  h.Feed("<presence from='bob@localhost/phone' type='unavailable'/>");
  h.Posted();
  h.Tick();
  h.Feed("<message type='error' from='bob@localhost' id='" + id + "'><body>one</body><error type='cancel'>"
         "<recipient-unavailable xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></message>");
  EXPECT_TRUE(h.Posted().empty());
  SpeaksTheLayer(h);
  h.Posted();
  h.Tick();
  EXPECT_EQ(Ids(h.Sent()), id);
  // A marker of another session is no copy of mine: reported.
  h.Feed("<message type='error' from='bob@localhost' id='zr-" + kBobEpoch + "-1-1'><error type='cancel'>"
         "<item-not-found xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCErrorNotification bob@localhost answered with the error "
                                      "item-not-found. \n");
  // An error is no message, whatever it carries.
  h.Feed("<message type='error' from='bob@localhost/phone' id='zr-" + kBobEpoch + "-1-1'><body>x</body></message>");
  auto posted = h.Posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].rfind("ZELRTCErrorNotification", 0), 0u) << posted[0];
  h.Tick();
  EXPECT_TRUE(h.Sent().empty());
}

// Data: a message of type normal without a body, its bytes in base64; above the split size, in parts.
TEST(XmppFeatureMessaging, DataGoWithoutABodyAndInPartsAboveTheSplitSize) {
  ZELXmppFeatureHarness h;
  h.channel.settings.splitSize = 4;
  Start(h);
  h.features.messaging.SendData("bob@localhost", "model", std::string("ab\0c", 4), false);
  h.features.messaging.SendData("carol@localhost", "svc", "0123456789", true);
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 4u);
  const std::string e = EpochOf(sent[0]);
  EXPECT_EQ(sent[0].Attr("id"), "zr-" + e + "-1-1");
  EXPECT_EQ(sent[0].Attr("type"), "normal");
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost");
  EXPECT_FALSE(sent[0].Child("body").Valid());
  ASSERT_EQ(sent[0].Children().size(), 1u);
  ZELXmppXml data = sent[0].Child("data", kDataNs);
  ASSERT_TRUE(data.Valid()) << sent[0].Xml();
  EXPECT_EQ(data.Attr("type"), "model");
  EXPECT_EQ(data.Attr("typed"), "0");
  EXPECT_EQ(data.Attr("part"), "");
  EXPECT_EQ(data.Attr("parts"), "");
  EXPECT_EQ(data.Text(), "YWIAYw==");
  const char* texts[] = {"MDEyMw==", "NDU2Nw==", "ODk="};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(sent[i].Attr("to"), "carol@localhost");
    EXPECT_EQ(sent[i].Attr("type"), "normal");
    EXPECT_NE(sent[i].Attr("id").rfind("zr-", 0), 0u);
    EXPECT_FALSE(sent[i].Child("body").Valid());
    ZELXmppXml part = sent[i].Child("data", kDataNs);
    EXPECT_EQ(part.Attr("type"), "svc");
    EXPECT_EQ(part.Attr("typed"), "1");
    EXPECT_EQ(part.Attr("part"), std::to_string(i));
    EXPECT_EQ(part.Attr("parts"), "3");
    EXPECT_EQ(part.Text(), texts[i - 1]);
  }
  // Exactly the split size: one piece.
  h.features.messaging.SendData("carol@localhost", "t", "0123", false);
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("data", kDataNs).Attr("parts"), "");
  EXPECT_TRUE(h.Posted().empty());
}

TEST(XmppFeatureMessaging, DataReceivedAndUnreadableDataReported) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.Feed("<iq type='set' id='push1'><query xmlns='jabber:iq:roster'><item jid='bob@localhost' name='Bob' "
         "subscription='both'/></query></iq>");
  h.Sent();
  h.Posted();
  const int names = ZELNotificationCenter::Subscribe(h.channel.SessionId());
  auto data = [&h](const std::string& attributes, const std::string& text, const std::string& id = "d") {
    h.Feed("<message type='normal' from='bob@localhost/phone' id='" + id + "'><data xmlns='urn:zelrtc:data:0' " +
           attributes + ">" + text + "</data></message>");
  };
  data("type='model' typed='0'", "YWIAYw==");
  data("type='svc' typed='1'", "MDEy");
  data("type='svc' typed='1' part='2' parts='3'", "NDU2Nw==");
  data("type='model' part='1' parts='1'", "");
  data("type='model'", "", "zr-" + kBobEpoch + "-1-1");  // sequenced data too
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCDataReceivedNotification from=bob@localhost type=model data=ab\\x00c event=0\n"
            "ZELRTCTypedDataReceivedNotification from=bob@localhost service=svc data=012 event=0\n"
            "ZELRTCSplittedDataReceivedNotification from=bob@localhost type=svc/2/3 data=4567 typed=1 event=0\n"
            "ZELRTCSplittedDataReceivedNotification from=bob@localhost type=model/1/1 data= typed=0 event=0\n"
            "ZELRTCDataReceivedNotification from=bob@localhost type=model data= event=0\n");
  EXPECT_EQ(DataPartnerNames(names), std::vector<std::string>(5, "Bob"));
  ZELNotificationCenter::Unsubscribe(names);

  data("type='model'", "not*base64!");
  data("typed='0'", "YWIAYw==");
  data("type='t' part='0' parts='3'", "YQ==");
  data("type='t' part='4' parts='3'", "YQ==");
  data("type='t' part='1'", "YQ==");
  data("type='t' parts='2'", "YQ==");
  data("type='t' part='1' parts='99999999999999999999'", "YQ==");
  data("type='t' part='1' parts='2000000'", "YQ==");
  data("type='t' part='-1' parts='2'", "YQ==");
  // Another namespace is no data of ours: a message without a body, nothing to tell.
  h.Feed("<message type='normal' from='bob@localhost/phone'><data xmlns='urn:other' type='t'>YQ==</data></message>");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification Data from bob@localhost could not be read: not base64.\n"
            "ZELRTCErrorNotification Data from bob@localhost could not be read: no type.\n"
            "ZELRTCErrorNotification Data from bob@localhost came as part 0 of 3, which cannot be.\n"
            "ZELRTCErrorNotification Data from bob@localhost came as part 4 of 3, which cannot be.\n"
            "ZELRTCErrorNotification Data from bob@localhost came as part 1 of , which cannot be.\n"
            "ZELRTCErrorNotification Data from bob@localhost came as part  of 2, which cannot be.\n"
            "ZELRTCErrorNotification Data from bob@localhost came as part 1 of 99999999999999999999, which cannot "
            "be.\n"
            "ZELRTCErrorNotification Data from bob@localhost came as part 1 of 2000000, which cannot be.\n"
            "ZELRTCErrorNotification Data from bob@localhost came as part -1 of 2, which cannot be.\n");
}

// What would make a stanza larger than the server takes is not sent, and says so; just below goes.
TEST(XmppFeatureMessaging, StanzasAboveTheServersLimitAreNotSent) {
  ZELXmppFeatureHarness h;
  Start(h);
  ASSERT_EQ(h.channel.settings.maxStanzaBytes, 256u * 1024);
  const std::string big(300 * 1024, 'x');
  h.features.messaging.SendText("bob@localhost", big);
  h.features.messaging.SendText("carol@localhost", big);
  EXPECT_TRUE(h.Sent().empty());
  auto posted = h.Posted();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].rfind("ZELRTCErrorNotification A message to bob@localhost was not sent: 3072", 0), 0u)
      << posted[0];
  EXPECT_NE(posted[0].find(" bytes, more than the 262144 the server accepts."), std::string::npos) << posted[0];
  EXPECT_EQ(posted[1].rfind("ZELRTCErrorNotification A message to carol@localhost was not sent:", 0), 0u);
  // Escaping counts: 60,000 ampersands are 300,000 bytes on the wire.
  h.features.messaging.SendText("carol@localhost", std::string(60000, '&'));
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(h.Posted().size(), 1u);
  // A huge data type counts too.
  h.features.messaging.SendData("carol@localhost", std::string(270000, 't'), "x", false);
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(h.Posted().size(), 1u);

  // Nothing of the refused ones goes later; the sequence goes on without a hole.
  h.features.messaging.SendText("bob@localhost", "small");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  const std::string e = EpochOf(sent[0]);
  EXPECT_EQ(sent[0].Attr("id"), "zr-" + e + "-1-1");

  // Exactly the limit goes, a byte more does not (the stanza as sent, its id included).
  const size_t overhead = sent[0].Xml().size() - 5;  // all but "small"; the next id is as long
  const std::string fits(h.channel.settings.maxStanzaBytes - overhead, 'y');
  h.features.messaging.SendText("bob@localhost", fits + "z");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(h.Posted().size(), 1u);
  h.features.messaging.SendText("bob@localhost", fits);
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Attr("id"), "zr-" + e + "-2-1");
  EXPECT_EQ(sent[0].Xml().size(), h.channel.settings.maxStanzaBytes);
  EXPECT_TRUE(h.Posted().empty());

  // Data whose parts cannot fit: nothing goes, one error.
  h.channel.settings.splitSize = 200 * 1024;
  h.features.messaging.SendData("bob@localhost", "t", std::string(500 * 1024, 'd'), false);
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(h.Posted().size(), 1u);
  // A split size of nothing is no split size: one piece.
  h.channel.settings.splitSize = 0;
  h.features.messaging.SendData("bob@localhost", "t", "abc", false);
  sent = h.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("data", kDataNs).Text(), "YWJj");
}

// The server closing the stream with policy-violation right after a sequenced
// message: that message is given up, the others go again after the fresh login.
TEST(XmppFeatureMessaging, MessageAfterWhichTheServerClosedTheStreamIsGivenUp) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.messaging.SendText("bob@localhost", "one");
  h.features.messaging.SendText("bob@localhost", "two");
  auto sent = h.Sent();
  ASSERT_EQ(sent.size(), 2u);
  const std::string e = EpochOf(sent[0]);
  h.Offline("policy-violation");
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCErrorNotification The server closed the stream after a message to "
                                      "bob@localhost, which is not sent again.\n");
  h.Online(true);
  EXPECT_EQ(Ids(ZELXmppOfName(h.Sent(), "message")), "zr-" + e + "-1-1");
  // Another close of the kind, with nothing new sent since: nothing else is given up.
  h.Offline("policy-violation");
  h.Online(true);
  EXPECT_EQ(Ids(ZELXmppOfName(h.Sent(), "message")), "zr-" + e + "-1-1");
  EXPECT_TRUE(h.Posted().empty());
  // Closed for another reason: nothing given up.
  h.features.messaging.SendText("bob@localhost", "three");
  h.Sent();
  h.Offline("connection-timeout");
  h.Online(true);
  EXPECT_EQ(Ids(ZELXmppOfName(h.Sent(), "message")), "zr-" + e + "-1-1 zr-" + e + "-3-1");
  // Acknowledged before the close: the server had it, nothing is given up nor reported.
  h.features.messaging.SendText("bob@localhost", "four");
  h.Sent();
  h.Feed(AckFrom("bob@localhost/phone", e, 4));
  h.Offline("policy-violation");
  h.Online(true);
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "message").empty());
  EXPECT_TRUE(h.Posted().empty());
}

// What could not go while the stream was down goes when it is back, resumed
// or not, and once; acknowledgements due wait for the stream too.
TEST(XmppFeatureMessaging, WhatWaitsForTheStreamGoesWhenItIsBack) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.messaging.SendText("bob@localhost", "one");
  const std::string e = EpochOf(h.Sent().at(0));
  h.Feed(FromBob(1, 1, "one"));
  h.Offline();
  h.Posted();
  h.features.messaging.SendText("bob@localhost", "two");
  h.features.messaging.SendText("bob@localhost/phone", "three");
  h.Online(false);
  auto sent = h.Sent();
  EXPECT_EQ(Ids(sent), "zr-" + e + "-2-1 zr-" + e + "-3-1");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1].Attr("to"), "bob@localhost/phone");
  h.Tick();
  ExpectAck(h.Sent(), "bob@localhost", kBobEpoch, 1);
  h.Offline();
  h.Online(false);
  h.Tick();
  EXPECT_TRUE(h.Sent().empty());
  // Sent while down, then a fresh login: each goes once.
  h.Offline();
  h.features.messaging.SendText("bob@localhost", "four");
  h.Online(true);
  EXPECT_EQ(Ids(ZELXmppOfName(h.Sent(), "message")),
            "zr-" + e + "-1-1 zr-" + e + "-2-1 zr-" + e + "-3-1 zr-" + e + "-4-1");
}

// What every sender holds together is bounded: past 10,000 messages the
// sender holding the most gives up its gap.
TEST(XmppFeatureMessaging, HeldMessagesAreBoundedForEverySenderTogether) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.Feed(FromBob(1, 1, "one"));
  for (uint64_t n = 2; n <= 10001; ++n)
    h.Feed("<message from='mallory@localhost/x' id='zr-m-" + std::to_string(n) + "-1'><body>m</body></message>");
  EXPECT_EQ(h.Posted().size(), 1u);
  h.Feed(FromBob(3, 1, "three"));
  EXPECT_EQ(h.Posted().size(), 10000u);
  h.Feed(FromBob(2, 1, "two"));
  EXPECT_EQ(ZELXmppLines(h.Posted()), Im("bob@localhost", "two") + "\n" + Im("bob@localhost", "three") + "\n");
}

// A message lost on the way (one a broken connection swallowed) leaves a gap:
// the receiver asks for it at once and every second, and the sender sends
// again exactly what is asked for.
TEST(XmppFeatureMessaging, GapIsAskedForAndTheMissingMessageSentAgain) {
  ZELXmppFeatureHarness receiver;
  Start(receiver);
  receiver.Feed(FromBob(1, 1, "one"));
  receiver.Sent();
  receiver.Feed(FromBob(3, 1, "three"));
  auto sent = receiver.Sent();
  ASSERT_EQ(sent.size(), 1u);
  ZELXmppXml ack = sent[0].Child("ack", kReliableNs);
  EXPECT_EQ(sent[0].Attr("to"), "bob@localhost");
  EXPECT_EQ(ack.Attr("h"), "1");
  EXPECT_EQ(ack.Attr("want"), "2");
  EXPECT_EQ(ZELXmppLines(receiver.Posted()), Im("bob@localhost", "one") + "\n");
  receiver.Feed(FromBob(4, 1, "four"));  // the gap is asked for once, not per message
  EXPECT_TRUE(receiver.Sent().empty());
  receiver.Tick(999);
  receiver.Tick(1);
  sent = receiver.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("ack", kReliableNs).Attr("want"), "2");
  receiver.Feed(FromBob(2, 1, "two"));
  EXPECT_EQ(ZELXmppLines(receiver.Posted()),
            Im("bob@localhost", "two") + "\n" + Im("bob@localhost", "three") + "\n" + Im("bob@localhost", "four") + "\n");
  receiver.Tick(100);
  sent = receiver.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Child("ack", kReliableNs).Attr("h"), "4");
  EXPECT_EQ(sent[0].Child("ack", kReliableNs).Attr("want"), "") << "no gap, nothing asked";

  sent.clear();  // the receiver's stanzas go before the sender's context comes
  ZELXmppFeatureHarness sender;
  Start(sender);
  for (const char* text : {"a", "b", "c", "d"}) sender.features.messaging.SendText("bob@localhost", text);
  const std::string epoch = EpochOf(sender.Sent()[0]);
  sender.Feed("<message type='headline' from='bob@localhost/phone'><ack xmlns='urn:zelrtc:reliable:0' e='" + epoch +
              "' h='1' want='2'/></message>");
  auto again = sender.Sent();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].Attr("id"), "zr-" + epoch + "-2-1");
  EXPECT_EQ(again[0].Child("body").Text(), "b");
  // Another epoch's request, or one from another address, sends nothing.
  sender.Feed("<message type='headline' from='bob@localhost/phone'><ack xmlns='urn:zelrtc:reliable:0' e='other' "
              "h='1' want='4'/></message>");
  sender.Feed("<message type='headline' from='mallory@localhost/x'><ack xmlns='urn:zelrtc:reliable:0' e='" + epoch +
              "' h='1' want='4'/></message>");
  EXPECT_TRUE(sender.Sent().empty());
}

// The last messages lost on the way leave no gap for the peer to see: what
// stays unacknowledged for 5 s while the peer is online goes again.
TEST(XmppFeatureMessaging, UnacknowledgedTailGoesAgainAfterFiveSeconds) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.messaging.SendText("bob@localhost", "one");
  h.features.messaging.SendText("bob@localhost", "two");
  const auto first = h.Sent();
  ASSERT_EQ(first.size(), 2u);
  h.Tick(4900);
  EXPECT_TRUE(h.Sent().empty());
  h.Tick(100);
  auto again = h.Sent();
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].Attr("id"), first[0].Attr("id"));
  EXPECT_EQ(again[1].Attr("id"), first[1].Attr("id"));
  h.Feed(AckFrom("bob@localhost/phone", EpochOf(first[0]), 2));
  h.Tick(10000);
  EXPECT_TRUE(h.Sent().empty());
}
