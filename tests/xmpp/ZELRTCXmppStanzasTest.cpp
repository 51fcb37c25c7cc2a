// The readers of incoming stanzas, on stanzas parsed from text, and of message ids.
#include <gtest/gtest.h>

#include <cstdint>
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

// The sequence marker of a message id, as another client or a forger may write it.
TEST(XmppStanzaReaders, XmppSequenceMarkerIsReadOnlyFromAWholeMarkerId) {
  struct Row {
    const char* id;
    bool sequenced;
    const char* epoch;
    uint64_t n, base;
  };
  const Row rows[] = {
      {"zr-13a9c85a3aee51e7-57-41", true, "13a9c85a3aee51e7", 57, 41},
      {"zr-e-1-", true, "e", 1, 0},                      // no base: the receiver starts at N
      {"zr-e-18446744073709551615-1", false, "", 0, 0},  // beyond 19 digits: not a number
      {"zr-e-0-1", false, "", 0, 0},
      {"zr-e-abc-1", false, "", 0, 0},
      {"zr--1-1", false, "", 0, 0},
      {"zr-e-1", false, "", 0, 0},
      {"zr-", false, "", 0, 0},
      {"m17", false, "", 0, 0},
      {"ZR-e-1-1", false, "", 0, 0},
      {nullptr, false, "", 0, 0},
  };
  for (const Row& row : rows) {
    ZELRTCXmppMarker marker;
    const char* shown = row.id ? row.id : "(no id)";
    ASSERT_EQ(ZELRTCXmppParseMarker(row.id, marker), row.sequenced) << shown;
    if (!row.sequenced) continue;
    EXPECT_EQ(marker.epoch, row.epoch) << shown;
    EXPECT_EQ(marker.n, row.n) << shown;
    EXPECT_EQ(marker.base, row.base) << shown;
  }
}
