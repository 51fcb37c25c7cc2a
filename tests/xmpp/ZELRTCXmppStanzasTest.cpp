// The readers of incoming stanzas, on stanzas parsed from text.
#include <gtest/gtest.h>

#include <string>

#include "ZELRTCXmppStanzas.h"

// The condition of an <error/> is its child in the stanza-errors namespace,
// wherever it stands among the children; other namespaces are not it.
TEST(XmppStanzaReaders, XmppErrorConditionIsTheChildOfTheStanzaErrorNamespace) {
  struct Row {
    const char* xml;
    const char* condition;
    const char* text;
  };
  const Row rows[] = {
      {"<iq type='error'><error type='modify'><not-acceptable xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/>"
       "<text xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'>File too large</text>"
       "<file-too-large xmlns='urn:xmpp:http:upload:0'><max-file-size>10</max-file-size></file-too-large></error></iq>",
       "not-acceptable", "File too large"},
      {"<iq type='error'><error type='cancel'><forbidden xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/>"
       "<retry xmlns='urn:nobody:0'/></error></iq>",
       "forbidden", ""},
      {"<iq type='error'><error type='cancel'><mine xmlns='urn:nobody:0'/></error></iq>", "undefined-condition", ""},
      {"<iq type='error'><error type='cancel'/></iq>", "undefined-condition", ""},
      {"<iq type='error'/>", "undefined-condition", ""},
  };
  xmpp_ctx_t* ctx = xmpp_ctx_new(nullptr, nullptr);
  for (const Row& row : rows) {
    xmpp_stanza_t* stanza = xmpp_stanza_new_from_string(ctx, row.xml);
    ASSERT_NE(stanza, nullptr) << row.xml;
    std::string condition = "x", text = "x";
    ZELRTCXmppErrorOf(stanza, condition, text);
    EXPECT_EQ(condition, row.condition) << row.xml;
    EXPECT_EQ(text, row.text) << row.xml;
    xmpp_stanza_release(stanza);
  }
  xmpp_ctx_free(ctx);
}
