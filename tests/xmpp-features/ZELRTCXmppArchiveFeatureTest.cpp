// The history of my conversations from the server's message archive, in process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZELXmppFeatureHarness.h"

namespace {

constexpr const char* kMamNs = "urn:xmpp:mam:2";
constexpr const char* kRsmNs = "http://jabber.org/protocol/rsm";

// The one archive query sent since the last look.
ZELXmppXml Query(ZELXmppFeatureHarness& h) {
  auto iqs = ZELXmppOfName(h.Sent(), "iq");
  EXPECT_EQ(iqs.size(), 1u);
  return iqs.empty() ? ZELXmppXml() : iqs[0];
}

// A result of the archive for `queryId`: `inner` is the archived message's attributes and payload.
std::string Result(const std::string& queryId, const std::string& inner, const std::string& from = "",
                   const std::string& resultId = "r") {
  return "<message to='alice@localhost/desk'" + (from.empty() ? std::string() : " from='" + from + "'") +
         "><result xmlns='urn:xmpp:mam:2' queryid='" + queryId + "' id='" + resultId +
         "'><forwarded xmlns='urn:xmpp:forward:0'><delay xmlns='urn:xmpp:delay' stamp='2024-01-01T00:00:00Z'/>"
         "<message " + inner + "</message></forwarded></result></message>";
}

std::string Said(const std::string& from, const std::string& id, const std::string& text) {
  return (from.empty() ? std::string() : "from='" + from + "' ") + "to='x@localhost' type='chat' id='" + id +
         "'><body>" + text + "</body>";
}

std::string Fin(const std::string& last, bool complete) {
  return std::string("<fin xmlns='urn:xmpp:mam:2'") + (complete ? " complete='true'" : "") +
         "><set xmlns='http://jabber.org/protocol/rsm'><first>f</first>" +
         (last.empty() ? std::string() : "<last>" + last + "</last>") + "</set></fin>";
}

void Start(ZELXmppFeatureHarness& h) {
  h.Online();
  for (const ZELXmppXml& iq : ZELXmppOfName(h.Sent(), "iq")) h.Answer(iq);  // what the login asks
  h.Feed("<iq type='set' id='push1'><query xmlns='jabber:iq:roster'><item jid='bob@localhost' name='Bob' "
         "subscription='both'/></query></iq>");
  h.Sent();
  h.Posted();
}

}  // namespace

// The query asks my own account for the conversation, page after page until
// the server says it is complete; copies sent again by the messaging count once.
TEST(XmppFeatureArchive, HistoryFollowsThePagesAndCountsRetriesOnce) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.archive.RequestHistory("bob@localhost");
  ZELXmppXml iq = Query(h);
  EXPECT_EQ(iq.Attr("type"), "set");
  EXPECT_EQ(iq.Attr("to"), "");
  ZELXmppXml query = iq.Child("query", kMamNs);
  ASSERT_TRUE(query.Valid()) << iq.Xml();
  const std::string q = query.Attr("queryid");
  ASSERT_FALSE(q.empty());
  ZELXmppXml form = query.Child("x", "jabber:x:data");
  EXPECT_EQ(form.Attr("type"), "submit");
  auto fields = form.Children("field");
  ASSERT_EQ(fields.size(), 2u) << iq.Xml();
  EXPECT_EQ(fields[0].Attr("var"), "FORM_TYPE");
  EXPECT_EQ(fields[0].Attr("type"), "hidden");
  EXPECT_EQ(fields[0].Child("value").Text(), kMamNs);
  EXPECT_EQ(fields[1].Attr("var"), "with");
  EXPECT_EQ(fields[1].Child("value").Text(), "bob@localhost");
  ZELXmppXml set = query.Child("set", kRsmNs);
  EXPECT_EQ(set.Child("max").Text(), "100");
  EXPECT_FALSE(set.Child("after").Valid());

  // Page 1: from my bare address and without one.
  h.Feed(Result(q, Said("bob@localhost/phone", "zr-e1-1-1", "one"), "alice@localhost"));
  h.Feed(Result(q, Said("", "zr-a1-1-1", "mine")));
  h.Feed(Result(q, Said("bob@localhost/phone", "zr-e1-1-1", "one"), "", "r-copy"));  // sent again: once
  h.Feed(Result(q, "from='bob@localhost/phone' type='normal' id='zr-e1-2-1'><data xmlns='urn:zelrtc:data:0' "
                   "type='t'>YQ==</data>"));  // no text
  h.Answer(iq, Fin("page1", false));
  EXPECT_TRUE(h.Posted().empty());
  iq = Query(h);
  EXPECT_EQ(iq.Child("query", kMamNs).Attr("queryid"), q);
  EXPECT_EQ(iq.Child("query", kMamNs).Child("set", kRsmNs).Child("after").Text(), "page1");
  EXPECT_EQ(iq.Child("query", kMamNs).Child("x", "jabber:x:data").Children("field")[1].Child("value").Text(),
            "bob@localhost");

  // Page 2: the same marker from another speaker is another message; so is another epoch's,
  // and messages without a marker, however alike.
  h.Feed(Result(q, Said("alice@localhost/desk", "zr-e1-1-1", "same marker")));
  h.Feed(Result(q, Said("bob@localhost/tablet", "zr-e2-1-1", "other epoch")));
  h.Feed(Result(q, Said("bob@localhost/phone", "zr-e1-3-1", "three")));
  h.Feed(Result(q, Said("bob@localhost/phone", "zr-e1-3-1", "three")));
  h.Feed(Result(q, Said("bob@localhost", "plain", "plain")));
  h.Feed(Result(q, Said("bob@localhost", "plain", "plain")));
  h.Answer(iq, Fin("page2", true));
  EXPECT_TRUE(ZELXmppOfName(h.Sent(), "iq").empty());
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCArchiveReceivedNotification partner=bob@localhost name=Bob count=7 messages="
            "bob@localhost:one|alice@localhost:mine|alice@localhost:same marker|bob@localhost:other epoch|"
            "bob@localhost:three|bob@localhost:plain|bob@localhost:plain\n");
}

// Results count only from my own account and for a query of mine under way;
// the others are dropped, never taken for chat messages.
TEST(XmppFeatureArchive, ForgedResultsAreDropped) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.archive.RequestHistory("bob@localhost");
  ZELXmppXml first = Query(h);
  h.features.archive.RequestHistory("carol@localhost");
  ZELXmppXml second = Query(h);
  const std::string q1 = first.Child("query", kMamNs).Attr("queryid");
  const std::string q2 = second.Child("query", kMamNs).Attr("queryid");
  ASSERT_NE(q1, q2);
  h.Feed(Result(q1, Said("bob@localhost", "b1", "from mallory"), "mallory@localhost/x"));
  h.Feed(Result(q1, Said("bob@localhost", "b2", "from my server"), "localhost"));
  h.Feed(Result(q1, Said("bob@localhost", "b3", "from another device"), "alice@localhost/other"));
  h.Feed(Result(q1, Said("bob@localhost", "b4", "from bob"), "bob@localhost"));
  h.Feed(Result("nobody's", Said("bob@localhost", "b5", "another query")));
  h.Feed(Result("", Said("bob@localhost", "b6", "no query")));
  h.Feed(Result(q2, Said("carol@localhost", "c1", "carol's")));
  h.Feed(Result(q1, Said("bob@localhost", "b7", "bob's")));
  EXPECT_TRUE(h.Posted().empty());
  h.Answer(first, Fin("", true));
  h.Answer(second, Fin("", true));
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCArchiveReceivedNotification partner=bob@localhost name=Bob count=1 messages=bob@localhost:bob's\n"
            "ZELRTCArchiveReceivedNotification partner=carol@localhost name=carol@localhost count=1 "
            "messages=carol@localhost:carol's\n");
  // The query is over: a late result is nobody's; an empty result nothing.
  h.Feed(Result(q1, Said("bob@localhost", "b8", "late")));
  h.Feed("<message><result xmlns='urn:xmpp:mam:2' queryid='" + q1 + "'/></message>");
  EXPECT_TRUE(h.Posted().empty());
  EXPECT_TRUE(h.Sent().empty());
}

// The pages end with complete, with a page that does not say where it ended, or after 1,000 pages.
TEST(XmppFeatureArchive, PagingEndsWhenCompleteOrUnboundedAtAThousandPages) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.archive.RequestHistory("bob@localhost");
  ZELXmppXml iq = Query(h);
  int pages = 1;
  for (; pages <= 1000 && iq.Valid(); ++pages) {
    h.Feed(Result(iq.Child("query", kMamNs).Attr("queryid"), Said("bob@localhost", "p" + std::to_string(pages), "m")));
    h.Answer(iq, Fin("last" + std::to_string(pages), false));
    auto sent = ZELXmppOfName(h.Sent(), "iq");
    iq = sent.empty() ? ZELXmppXml() : sent[0];
    if (iq.Valid()) {
      ASSERT_EQ(iq.Child("query", kMamNs).Child("set", kRsmNs).Child("after").Text(), "last" + std::to_string(pages));
    }
  }
  EXPECT_EQ(pages, 1001);
  EXPECT_FALSE(iq.Valid());
  auto posted = h.Posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].rfind("ZELRTCArchiveReceivedNotification partner=bob@localhost name=Bob count=1000 ", 0), 0u);

  // A page that is not complete but gives no last: that is all.
  h.features.archive.RequestHistory("bob@localhost");
  iq = Query(h);
  h.Answer(iq, Fin("", false));
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(ZELXmppLines(h.Posted()), "ZELRTCArchiveReceivedNotification partner=bob@localhost name=Bob count=0 "
                                      "messages=\n");
  // An answer without fin: that is all too; complete='1' is complete.
  h.features.archive.RequestHistory("bob@localhost");
  h.Answer(Query(h), "");
  h.features.archive.RequestHistory("bob@localhost");
  h.Answer(Query(h), "<fin xmlns='urn:xmpp:mam:2' complete='1'><set xmlns='http://jabber.org/protocol/rsm'>"
                     "<last>x</last></set></fin>");
  EXPECT_TRUE(h.Sent().empty());
  EXPECT_EQ(h.Posted().size(), 2u);
}

// Each request ends in one notification: the error the server answered, or no answer in time or before the connection went.
TEST(XmppFeatureArchive, RefusedUnansweredAndLostQueriesEndInOneError) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.archive.RequestHistory("bob@localhost");
  ZELXmppXml iq = Query(h);
  h.AnswerError(iq, "service-unavailable");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification alice@localhost answered with the error service-unavailable. \n");

  // No answer in time, on the second page: the error, nothing else, nothing later.
  h.features.archive.RequestHistory("bob@localhost");
  iq = Query(h);
  const std::string q = iq.Child("query", kMamNs).Attr("queryid");
  h.Feed(Result(q, Said("bob@localhost", "a", "one")));
  h.Answer(iq, Fin("l1", false));
  iq = Query(h);
  h.Tick(10000);
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification The request archive with bob@localhost ended without an answer (timeout).\n");
  h.Feed(Result(q, Said("bob@localhost", "b", "two")));
  h.Answer(iq, Fin("", true));
  h.Tick(20000);
  EXPECT_TRUE(h.Posted().empty());
  EXPECT_TRUE(h.Sent().empty());

  // The connection goes.
  h.features.archive.RequestHistory("bob@localhost");
  iq = Query(h);
  h.Offline();
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification The request archive with bob@localhost ended without an answer (gone).\n");
  h.Online();
  h.Answer(iq, Fin("", true));
  EXPECT_TRUE(h.Posted().empty());
  // Asked offline: gone at once.
  h.Offline();
  h.features.archive.RequestHistory("bob@localhost");
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCErrorNotification The request archive with bob@localhost ended without an answer (gone).\n");
}

// Clearing: the code of the server's answer, 504 for none.
TEST(XmppFeatureArchive, ClearingPostsTheServersAnswerAsACode) {
  ZELXmppFeatureHarness h;
  Start(h);
  h.features.archive.ClearHistory("bob@localhost");
  ZELXmppXml iq = Query(h);
  EXPECT_EQ(iq.Attr("type"), "set");
  EXPECT_EQ(iq.Attr("to"), "");
  ASSERT_EQ(iq.Children().size(), 1u);
  EXPECT_EQ(iq.Child("clear", "urn:zelrtc:archive:0").Attr("with"), "bob@localhost");
  h.Answer(iq);
  h.features.archive.ClearHistory("bob@localhost");
  h.AnswerError(Query(h), "service-unavailable");
  h.features.archive.ClearHistory("carol@localhost");
  h.AnswerError(Query(h), "feature-not-implemented");
  h.features.archive.ClearHistory("bob@localhost");
  h.Answer(Query(h), "", "mallory@localhost/x");  // not an answer
  h.Tick(10000);
  h.features.archive.ClearHistory("bob@localhost");
  Query(h);
  h.Offline();
  EXPECT_EQ(ZELXmppLines(h.Posted()),
            "ZELRTCArchiveCleanedNotification partner=bob@localhost name=Bob code=0\n"
            "ZELRTCArchiveCleanedNotification partner=bob@localhost name=Bob code=503\n"
            "ZELRTCArchiveCleanedNotification partner=carol@localhost name=carol@localhost code=501\n"
            "ZELRTCArchiveCleanedNotification partner=bob@localhost name=Bob code=504\n"
            "ZELRTCArchiveCleanedNotification partner=bob@localhost name=Bob code=504\n");
}
