// Small readers of incoming stanzas, which may lack anything: they answer an
// empty string rather than null.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <strophe.h>

inline std::string ZELRTCXmppAttr(xmpp_stanza_t* stanza, const char* name) {
  const char* value = stanza ? xmpp_stanza_get_attribute(stanza, name) : nullptr;
  return value ? value : "";
}

// "bob@host/res" gives "bob@host".
inline std::string ZELRTCXmppBare(const std::string& jid) { return jid.substr(0, jid.find('/')); }

// The text of a child element (by name, any namespace), or "".
inline std::string ZELRTCXmppChildText(xmpp_stanza_t* stanza, const char* name) {
  xmpp_stanza_t* child = xmpp_stanza_get_child_by_name(stanza, name);
  if (!child) return "";
  char* text = xmpp_stanza_get_text(child);
  std::string result = text ? text : "";
  if (text) xmpp_free(xmpp_stanza_get_context(stanza), text);
  return result;
}

// Adds a child element (namespace optional) and returns it; the parent holds it.
inline xmpp_stanza_t* ZELRTCXmppAddChild(xmpp_stanza_t* parent, const char* name, const char* ns = nullptr) {
  xmpp_stanza_t* child = xmpp_stanza_new(xmpp_stanza_get_context(parent));
  xmpp_stanza_set_name(child, name);
  if (ns) xmpp_stanza_set_ns(child, ns);
  xmpp_stanza_add_child(parent, child);
  xmpp_stanza_release(child);
  return child;
}

// Adds a text node to an element.
inline void ZELRTCXmppAddText(xmpp_stanza_t* element, const std::string& text) {
  xmpp_stanza_t* node = xmpp_stanza_new(xmpp_stanza_get_context(element));
  xmpp_stanza_set_text_with_size(node, text.data(), text.size());
  xmpp_stanza_add_child(element, node);
  xmpp_stanza_release(node);
}

// The namespace of the defined conditions of a stanza's <error/> and of its <text/>.
constexpr const char* kZELRTCXmppStanzaErrorNs = "urn:ietf:params:xml:ns:xmpp-stanzas";

// The condition and text of a stanza's <error/>: "item-not-found", "...". The
// condition is the child in the stanza-errors namespace; children of other
// namespaces (an application's own condition) are not it.
inline void ZELRTCXmppErrorOf(xmpp_stanza_t* stanza, std::string& condition, std::string& text) {
  condition = "undefined-condition";
  text.clear();
  bool found = false;
  xmpp_stanza_t* error = xmpp_stanza_get_child_by_name(stanza, "error");
  for (xmpp_stanza_t* c = error ? xmpp_stanza_get_children(error) : nullptr; c; c = xmpp_stanza_get_next(c)) {
    const char* name = xmpp_stanza_get_name(c);
    const char* ns = xmpp_stanza_get_ns(c);
    if (!name || !ns || std::strcmp(ns, kZELRTCXmppStanzaErrorNs) != 0) continue;
    if (std::strcmp(name, "text") == 0) {
      char* t = xmpp_stanza_get_text(c);
      if (t) text = t, xmpp_free(xmpp_stanza_get_context(stanza), t);
    } else if (!found) {
      condition = name;
      found = true;
    }
  }
}

// A decimal number of the whole text (at most 19 digits), or 0.
inline uint64_t ZELRTCXmppNumber(const std::string& text) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::strtoull(text.c_str(), nullptr, 10);
}

// The sequence marker a session of this back end puts in the id of each message
// it sends to a peer: "zr-EPOCH-N-B" (see ZELRTCXmppMessaging).
constexpr char kZELRTCXmppMarkerPrefix[] = "zr-";
struct ZELRTCXmppMarker {
  std::string epoch;
  uint64_t n = 0, base = 0;
};

// The longest epoch a marker may name (a session's own has 16 characters): a
// receiver keeps the epochs it hears.
constexpr size_t kZELRTCXmppMaxEpochLength = 64;

// Reads the marker of a message id; false when the id is none (N must be a
// number above 0, the epoch 1 to kZELRTCXmppMaxEpochLength characters).
inline bool ZELRTCXmppParseMarker(const char* id, ZELRTCXmppMarker& marker) {
  constexpr size_t kPrefixLength = sizeof kZELRTCXmppMarkerPrefix - 1;
  if (!id || std::strncmp(id, kZELRTCXmppMarkerPrefix, kPrefixLength) != 0) return false;
  const std::string rest = id + kPrefixLength;
  const size_t afterEpoch = rest.find('-');
  const size_t afterN = afterEpoch == std::string::npos ? afterEpoch : rest.find('-', afterEpoch + 1);
  if (afterEpoch == 0 || afterN == std::string::npos || afterEpoch > kZELRTCXmppMaxEpochLength) return false;
  marker.epoch = rest.substr(0, afterEpoch);
  marker.n = ZELRTCXmppNumber(rest.substr(afterEpoch + 1, afterN - afterEpoch - 1));
  marker.base = ZELRTCXmppNumber(rest.substr(afterN + 1));
  return marker.n != 0;
}
