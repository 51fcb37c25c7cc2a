// Users' vCards and the lookups of an XMPP session.
#include "ZELRTCXmppDirectory.h"

#include <algorithm>
#include <cctype>

#include "ZELRTCLookupTypes.h"
#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppRequests.h"
#include "ZELRTCXmppStanzas.h"

namespace {

using Outcome = ZELRTCXmppRequestTracker::Outcome;
constexpr const char* kVCardNs = "vcard-temp";
constexpr const char* kDiscoInfoNs = "http://jabber.org/protocol/disco#info";
// The reason of a lookup that found nothing, as the server says of a missing item.
constexpr int kNotFound = 404;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The text of the child `name` of `parent`'s child `group` ("TEL", "NUMBER").
std::string GrandChildText(xmpp_stanza_t* parent, const char* group, const char* name) {
  xmpp_stanza_t* child = xmpp_stanza_get_child_by_name(parent, group);
  return child ? ZELRTCXmppChildText(child, name) : std::string();
}

// Base64 in lines of 76 characters, as vCards carry it.
std::string Wrapped(const std::string& encoded) {
  std::string out;
  out.reserve(encoded.size() + encoded.size() / 76 + 1);
  for (size_t i = 0; i < encoded.size(); i += 76) {
    if (i) out += '\n';
    out.append(encoded, i, 76);
  }
  return out;
}

void AddField(xmpp_stanza_t* parent, const char* name, const std::string& text) {
  if (!text.empty()) ZELRTCXmppAddText(ZELRTCXmppAddChild(parent, name), text);
}

}  // namespace

void ZELRTCXmppDirectory::FetchCard(const std::string& jid, Then then) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", jid == _channel.BareJid() ? std::string() : jid);
  ZELRTCXmppAddChild(iq, "vCard", kVCardNs);
  _channel.Requests().Send(iq, [this, then](Outcome outcome, xmpp_stanza_t* answer) {
    ZELRTCXmppCard card;
    xmpp_stanza_t* vcard = outcome == Outcome::Result ? xmpp_stanza_get_child_by_name_and_ns(answer, "vCard", kVCardNs)
                                                      : nullptr;
    if (vcard) {
      card.name = ZELRTCXmppChildText(vcard, "FN");
      card.title = ZELRTCXmppChildText(vcard, "TITLE");
      card.telephone = GrandChildText(vcard, "TEL", "NUMBER");
      card.mail = GrandChildText(vcard, "EMAIL", "USERID");
      card.photoType = GrandChildText(vcard, "PHOTO", "TYPE");
      std::string encoded = GrandChildText(vcard, "PHOTO", "BINVAL");
      encoded.erase(std::remove_if(encoded.begin(), encoded.end(), [](unsigned char c) { return std::isspace(c); }),
                    encoded.end());
      if (!encoded.empty()) {
        unsigned char* decoded = nullptr;
        size_t length = 0;
        xmpp_base64_decode_bin(_channel.Context(), encoded.c_str(), encoded.size(), &decoded, &length);
        if (decoded) {
          card.photo.assign(reinterpret_cast<const char*>(decoded), length);
          xmpp_free(_channel.Context(), decoded);
        }
      }
    }
    then(outcome, answer, card);
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppDirectory::RequestUserInfo(const std::string& jid) {
  FetchCard(jid, [this, jid](Outcome outcome, xmpp_stanza_t* answer, const ZELRTCXmppCard& card) {
    if (outcome != Outcome::Result) {
      ZELRTCXmppPostRequestError(_channel, outcome, answer, "vCard of " + jid);
      return;
    }
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::UserInfo);
    e.user.Adopt(_contacts.Snapshot(jid));
    e.name = card.name;
    e.title = card.title;
    e.telephone = card.telephone;
    e.mail = card.mail;
    e.photo = card.photo;
    _channel.Post(e);
  });
}

void ZELRTCXmppDirectory::PublishMyInfo(const ZELRTCXmppCard& card) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("set", std::string());
  xmpp_stanza_t* vcard = ZELRTCXmppAddChild(iq, "vCard", kVCardNs);
  AddField(vcard, "FN", card.name);
  AddField(vcard, "TITLE", card.title);
  if (!card.telephone.empty()) {
    xmpp_stanza_t* tel = ZELRTCXmppAddChild(vcard, "TEL");
    ZELRTCXmppAddChild(tel, "VOICE");
    AddField(tel, "NUMBER", card.telephone);
  }
  if (!card.mail.empty()) {
    xmpp_stanza_t* mail = ZELRTCXmppAddChild(vcard, "EMAIL");
    ZELRTCXmppAddChild(mail, "INTERNET");
    AddField(mail, "USERID", card.mail);
  }
  if (!card.photo.empty()) {
    xmpp_stanza_t* photo = ZELRTCXmppAddChild(vcard, "PHOTO");
    AddField(photo, "TYPE", card.photoType.empty() ? "application/octet-stream" : card.photoType);
    char* encoded = xmpp_base64_encode(_channel.Context(), reinterpret_cast<const unsigned char*>(card.photo.data()),
                                       card.photo.size());
    if (encoded) {
      AddField(photo, "BINVAL", Wrapped(encoded));
      xmpp_free(_channel.Context(), encoded);
    }
  }
  _channel.Requests().Send(iq, [this](Outcome outcome, xmpp_stanza_t* answer) {
    if (outcome == Outcome::Result)
      RequestUserInfo(_channel.BareJid());
    else
      ZELRTCXmppPostRequestError(_channel, outcome, answer, "my vCard");
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppDirectory::ResolveUsers(const std::string& name, int option) {
  const std::string wanted = Lower(name);
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::UsersResolved);
  e.name = name;
  e.option = option;
  for (const std::string& jid : _contacts.Jids()) {
    const std::string jidText = Lower(jid), nameText = Lower(_contacts.NameOf(jid));
    const bool match = option == ZelRTCResolveAllMatches
                           ? jidText.find(wanted) != std::string::npos || nameText.find(wanted) != std::string::npos
                           : jidText == wanted || nameText == wanted;
    if (!match) continue;
    e.ids.push_back(jid);
    e.names.push_back(_contacts.NameOf(jid));
  }
  if (!e.ids.empty()) {
    e.eventType = e.ids.size() > 1 && option != ZelRTCResolveAllMatches ? ZelRTCResolveConflict : ZelRTCResolveSucceeded;
    _channel.Post(e);
    return;
  }
  if (name.find('@') == std::string::npos) {
    e.eventType = ZelRTCResolveFailed;
    e.reason = kNotFound;
    _channel.Post(e);
    return;
  }
  // An address outside my list: a vCard with a field shows a user; an empty
  // one proves nothing, and then the server's discovery of the address tells.
  // The server's error (item-not-found for an unknown user) is the reason.
  FetchCard(name, [this, e](Outcome outcome, xmpp_stanza_t* answer, const ZELRTCXmppCard& card) mutable {
    auto post = [this, e, card](bool found, int code) mutable {
      e.eventType = found ? ZelRTCResolveSucceeded : ZelRTCResolveFailed;
      e.reason = found ? 0 : code;
      if (found) {
        e.ids.push_back(e.name);
        e.names.push_back(card.name.empty() ? e.name : card.name);
      }
      _channel.Post(e);
    };
    const bool filled = !card.name.empty() || !card.title.empty() || !card.telephone.empty() || !card.mail.empty() ||
                        !card.photo.empty();
    if (outcome == Outcome::Result && filled) {
      post(true, 0);
      return;
    }
    if (outcome != Outcome::Result) {  // the server's error code, 504 without an answer
      post(false, ZELRTCXmppOutcomeCode(outcome, answer));
      return;
    }
    CheckAccount(e.name, post);
  });
}

void ZELRTCXmppDirectory::CheckAccount(const std::string& jid, std::function<void(bool, int)> then) {
  xmpp_stanza_t* iq = _channel.Requests().NewIq("get", jid);
  ZELRTCXmppAddChild(iq, "query", kDiscoInfoNs);
  _channel.Requests().Send(iq, [then](Outcome outcome, xmpp_stanza_t* answer) {
    bool account = false;
    xmpp_stanza_t* q = outcome == Outcome::Result ? xmpp_stanza_get_child_by_name_and_ns(answer, "query", kDiscoInfoNs)
                                                  : nullptr;
    for (xmpp_stanza_t* c = q ? xmpp_stanza_get_children(q) : nullptr; c; c = xmpp_stanza_get_next(c)) {
      const char* name = xmpp_stanza_get_name(c);
      account |= name && std::string(name) == "identity" && ZELRTCXmppAttr(c, "category") == "account";
    }
    // The server answered without an account (or refused to say): not found.
    then(account, account ? 0 : outcome == Outcome::Result || outcome == Outcome::Error
                                    ? kNotFound
                                    : ZELRTCXmppOutcomeCode(outcome, answer));
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppDirectory::ResolveGroups(const std::string& name) {
  const std::string wanted = Lower(name);
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::GroupsResolved);
  e.name = name;
  const std::vector<std::string> groups = _contacts.Groups();
  for (const std::string& group : groups)
    if (Lower(group) == wanted) e.ids.push_back(group);
  if (e.ids.empty())
    for (const std::string& group : groups)
      if (Lower(group).find(wanted) != std::string::npos) e.ids.push_back(group);
  e.names = e.ids;  // a group's name is its id
  e.eventType = e.ids.empty() ? ZelRTCResolveFailed : e.ids.size() > 1 ? ZelRTCResolveConflict : ZelRTCResolveSucceeded;
  e.reason = e.ids.empty() ? kNotFound : 0;
  _channel.Post(e);
}

void ZELRTCXmppDirectory::GroupContent(const std::string& group) {
  ZELRTCXmppEvent e(ZELRTCXmppEventKind::GroupContent);
  e.name = group;
  const std::vector<std::string> groups = _contacts.Groups();
  if (std::find(groups.begin(), groups.end(), group) == groups.end()) {
    e.eventType = ZelRTCGroupContentFailed;
    e.reason = kNotFound;
  } else {
    e.eventType = ZelRTCGroupContentReceived;
    e.group.Adopt(_contacts.GroupSnapshot(group));
  }
  _channel.Post(e);
}
