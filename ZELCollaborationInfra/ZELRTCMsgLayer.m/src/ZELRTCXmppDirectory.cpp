// Users' vCards and the lookups of an XMPP session.
#include "ZELRTCXmppDirectory.h"

#include <algorithm>
#include <cctype>

#include "ZELRTCLookupTypes.h"
#include "ZELRTCXmppContacts.h"
#include "ZELRTCXmppEvent.h"
#include "ZELRTCXmppStanzas.h"

namespace {

constexpr const char* kVCardNs = "vcard-temp";
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

void AddField(xmpp_stanza_t* parent, const char* name, const std::string& text) {
  if (!text.empty()) ZELRTCXmppAddText(ZELRTCXmppAddChild(parent, name), text);
}

}  // namespace

void ZELRTCXmppDirectory::FetchCard(const std::string& jid,
                                    std::function<void(xmpp_stanza_t*, const ZELRTCXmppCard&)> then) {
  xmpp_stanza_t* iq = _requests.NewIq("get", jid == _connection.BareJid() ? std::string() : jid);
  ZELRTCXmppAddChild(iq, "vCard", kVCardNs);
  _requests.Send(iq, [this, then](xmpp_stanza_t* answer) {
    ZELRTCXmppCard card;
    xmpp_stanza_t* vcard = xmpp_stanza_get_child_by_ns(answer, kVCardNs);
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
        xmpp_base64_decode_bin(_connection.Context(), encoded.c_str(), encoded.size(), &decoded, &length);
        if (decoded) {
          card.photo.assign(reinterpret_cast<const char*>(decoded), length);
          xmpp_free(_connection.Context(), decoded);
        }
      }
    }
    then(answer, card);
  });
  xmpp_stanza_release(iq);
}

void ZELRTCXmppDirectory::RequestUserInfo(const std::string& jid) {
  FetchCard(jid, [this, jid](xmpp_stanza_t* answer, const ZELRTCXmppCard& card) {
    if (ZELRTCXmppAttr(answer, "type") == "error") {
      ZELRTCXmppPostStanzaError(_connection.SessionId(), answer, _connection.BareJid());
      return;
    }
    ZELRTCXmppEvent e(ZELRTCXmppEventKind::UserInfo);
    e.user.Adopt(_contacts.Snapshot(jid));
    e.name = card.name;
    e.title = card.title;
    e.telephone = card.telephone;
    e.mail = card.mail;
    e.photo = card.photo;
    ZELRTCXmppPostEvent(_connection.SessionId(), e);
  });
}

void ZELRTCXmppDirectory::PublishMyInfo(const ZELRTCXmppCard& card) {
  xmpp_stanza_t* iq = _requests.NewIq("set", std::string());
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
    char* encoded = xmpp_base64_encode(_connection.Context(), reinterpret_cast<const unsigned char*>(card.photo.data()),
                                       card.photo.size());
    if (encoded) {
      AddField(photo, "BINVAL", encoded);
      xmpp_free(_connection.Context(), encoded);
    }
  }
  _requests.Send(iq, [this](xmpp_stanza_t* answer) {
    if (ZELRTCXmppAttr(answer, "type") == "error")
      ZELRTCXmppPostStanzaError(_connection.SessionId(), answer, _connection.BareJid());
    else
      RequestUserInfo(_connection.BareJid());
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
    ZELRTCXmppPostEvent(_connection.SessionId(), e);
    return;
  }
  if (name.find('@') == std::string::npos) {
    e.eventType = ZelRTCResolveFailed;
    e.reason = kNotFound;
    ZELRTCXmppPostEvent(_connection.SessionId(), e);
    return;
  }
  // An address outside my list: the server knows the user when it has its vCard.
  FetchCard(name, [this, e](xmpp_stanza_t* answer, const ZELRTCXmppCard& card) mutable {
    e.reason = ZELRTCXmppAnswerCode(answer);
    e.eventType = e.reason == 0 ? ZelRTCResolveSucceeded : ZelRTCResolveFailed;
    if (e.reason == 0) {
      e.ids.push_back(e.name);
      e.names.push_back(card.name.empty() ? e.name : card.name);
    }
    ZELRTCXmppPostEvent(_connection.SessionId(), e);
  });
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
  ZELRTCXmppPostEvent(_connection.SessionId(), e);
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
  ZELRTCXmppPostEvent(_connection.SessionId(), e);
}
