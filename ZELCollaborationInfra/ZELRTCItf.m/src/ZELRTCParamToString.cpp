// ZELRTCParam: the text renderings of parameters, users, groups and presence
// states, for the trace file.
//
// Every rendering appends its pieces to one string that it owns, so the cost of
// a rendering grows with the length of its text only. Nothing here takes or
// gives back a reference; the only line written is the one of GroupToString.
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "KLV.h"
#include "ZELRTCParam.h"
#include "ZELRTCTrace.h"

namespace {

const char kQuote[] = "\"";
const char kSeparator[] = "; ";
const char kNull[] = "null";

// What a rendering keeps whole, by the kind of the entry.
const int kListLimit = 1024;
const int kVectorLimit = 512;
const int kOtherLimit = 128;
// What is kept of a longer rendering.
const int kCutLength = 31;

// The selector and name under which entry 3 is masked.
const int kMaskSelector = 1;
const char kMaskName[] = "Login";
const unsigned int kMaskedIndex = 3;

// The entries of a parameter array made room for at once; more grow the room.
const unsigned int kReservedEntries = 4096;

// The texts of ZELRTCUserStatusToStr and the pieces of a user rendering, by value.
const char* const kStatusTexts[] = {"Active", "Away", "DND", "Idle", "OnThePhone", "Offline", "Unknown"};
const char* const kStatusPieces[] = {"; Active", "; Away", "; DND", "; Idle", "; OnThePhone", "; Offline", ""};
const int kStatusCount = static_cast<int>(sizeof kStatusTexts / sizeof kStatusTexts[0]);

bool IsKnownStatus(ZelRTCUserStatus status) { return status >= 0 && status < kStatusCount; }

// "User(", the identifier, the name, the dn and the status piece, ")"; the four
// operations are called in this order. `user` is not null.
void AppendUser(ZELUnicodeString& text, ZELIRTCUser* user) {
  ZELUnicodeString identifier = user->GetIdentifier();
  ZELUnicodeString name = user->GetName();
  ZELUnicodeString dn = user->GetDn();
  ZelRTCUserStatus status = user->GetStatus();

  text.Append("User(");
  text.Append(identifier);
  if (name.GetLengthInChar() > 0) {
    text.Append("; name=");
    text.Append(name);
  }
  if (dn.GetLengthInChar() > 0 && dn.Compare(name) != 2) {
    text.Append("; dn=");
    text.Append(dn);
  }
  if (IsKnownStatus(status)) text.Append(kStatusPieces[status]);
  text.Append(")");
}

// "{", then `renderOne(text, position)` for positions 1 to `size`, "; " between
// them, then "}".
template <class RenderOne>
void AppendBraced(ZELUnicodeString& text, int size, RenderOne renderOne) {
  text.Append("{");
  for (int position = 1; position <= size; ++position) {
    if (position > 1) text.Append(kSeparator);
    renderOne(text, position);
  }
  text.Append("}");
}

int LimitFor(const ZELRTCParam* entry) {
  if (!entry) return kOtherLimit;
  switch (entry->GetType()) {
    case ZELRTCParam::UserListKind:
    case ZELRTCParam::GroupListKind:
      return kListLimit;
    case ZELRTCParam::StringVectorKind:
      return kVectorLimit;
    default:
      return kOtherLimit;
  }
}

// The entry as a quote, one asterisk per character of its text but two, a quote.
void AppendMasked(ZELUnicodeString& text, const ZELRTCParam& entry) {
  const int length = entry.ToString().GetLengthInChar();
  text.Append(kQuote);
  text.Append(ZELUnicodeString(ZELUnicodeChar('*'), length - 2));
  text.Append(kQuote);
}

// The entry's text, or "null", cut to its first characters and its full length
// when it is longer than the entry's limit.
void AppendWithinLimit(ZELUnicodeString& text, const ZELRTCParam* entry) {
  const ZELUnicodeString rendering = entry ? entry->ToString() : ZELUnicodeString(kNull);
  const int length = rendering.GetLengthInChar();
  if (length <= LimitFor(entry)) {
    text.Append(rendering);
    return;
  }
  text.Append(rendering.SubString(0, kCutLength));
  text.Append("...(");
  text.Append(ZELUnicodeString::FromNum("%d", length));
  text.Append(")");
}

}  // namespace

const char* ZELRTCUserStatusToStr(ZelRTCUserStatus status) { return IsKnownStatus(status) ? kStatusTexts[status] : ""; }

ZELUnicodeString ZELRTCParam::UserToString(ZELIRTCUser* user) {
  if (!user) return ZELUnicodeString(kNull);
  ZELUnicodeString text;
  AppendUser(text, user);
  return text;
}

ZELUnicodeString ZELRTCParam::ListOfUserToString(ZELListPtrZELIRTCUser* users) {
  if (!users) return ZELUnicodeString(kNull);
  ZELUnicodeString text;
  AppendBraced(text, users->Size(), [users](ZELUnicodeString& out, int position) {
    ZELIRTCUser* user = (*users)[position];
    if (user) AppendUser(out, user);
  });
  return text;
}

ZELUnicodeString ZELRTCParam::GroupToString(ZELIRTCGroup* group) {
  if (!group) return ZELUnicodeString(kNull);
  ZELUnicodeString identifier = group->GetIdentifier();
  ZELUnicodeString name = group->GetName();
  unsigned char isPublic = 0;
  group->IsPublic(isPublic);
  unsigned char isExpanded = 0;
  group->IsExpanded(isExpanded);

  ZELUnicodeString text("Group(");
  text.Append(identifier);
  if (name.GetLengthInChar() > 0) {
    text.Append("; name=");
    text.Append(name);
  }
  if (isPublic) text.Append("; public");
  if (isExpanded) text.Append("; expanded");

  // The users come without references of ours: the list lets them go unreleased.
  ZELListPtrZELIRTCUser users(0);
  group->GetUsers(users);
  const ZELUnicodeString usersText = ListOfUserToString(&users);
  ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityInfo, "Rollback : users leaking in Group param");

  text.Append(kSeparator);
  text.Append(usersText);
  text.Append(")");
  return text;
}

ZELUnicodeString ZELRTCParam::ToString() const {
  ZELUnicodeString text;
  switch (_kind) {
    case BoolKind:
      text.Append(_value.b ? "true" : "false");
      break;
    case IntKind:
      text.BuildFromNum("%d", _value.i);
      break;
    case DoubleKind:
      if (_value.d) {
        text.BuildFromNum("%g", *_value.d);
      } else {
        text.Append(kNull);
      }
      break;
    case ByteArrayKind:
      if (_value.bytes) {
        text.Append("ByteArray(");
        text.Append(ZELUnicodeString::FromNum("%u", _value.bytes->getLength()));
        text.Append(")");
      } else {
        text.Append(kNull);
      }
      break;
    case UnicodeStringKind:
      if (_value.string) {
        text.Append(kQuote);
        text.Append(*_value.string);
        text.Append(kQuote);
      } else {
        text.Append(kNull);
      }
      break;
    case StringVectorKind:
      if (_value.vector) {
        const ZELSysTSVectorOfUnicodeString& vector = *_value.vector;
        text.Append("{");
        for (int index = 0; index < vector.GetLength(); ++index) {
          if (index > 0) text.Append(kSeparator);
          ZELSysTSUnicodeString element;
          vector.Get(index, element);
          ZELUnicodeString converted;
          KLV::Copy(element, converted);
          text.Append(kQuote);
          text.Append(converted);
          text.Append(kQuote);
        }
        text.Append("}");
      } else {
        text.Append(kNull);
      }
      break;
    case UserKind:
      text = UserToString(_value.user);
      break;
    case UserListKind:
      text = _value.users ? ListOfUserToString(_value.users) : ZELUnicodeString(kNull);
      break;
    case GroupKind:
      text = _value.group ? GroupToString(_value.group) : ZELUnicodeString(kNull);
      break;
    case GroupListKind:
      if (_value.groups) {
        const ZELListPtrZELIRTCGroup& groups = *_value.groups;
        AppendBraced(text, groups.Size(),
                     [&groups](ZELUnicodeString& out, int position) { out.Append(GroupToString(groups[position])); });
      } else {
        text.Append(kNull);
      }
      break;
    case IntListKind:
      if (_value.ints) {
        const ZELRawCollint& ints = *_value.ints;
        AppendBraced(text, ints.Size(), [&ints](ZELUnicodeString& out, int position) {
          out.Append(ZELUnicodeString::FromNum("%d", ints[position]));
        });
      } else {
        text.Append(kNull);
      }
      break;
    default:
      break;
  }
  return text;
}

// The entries are rendered first, then laid out in a text whose storage is
// made once at its final size: a text of a thousand entries grown piece by
// piece would be moved to fresh memory again and again, and would cost more
// per entry than a short one.
ZELUnicodeString ZELRTCParam::ParamsToString(int selector, const char* name, ZELRTCParam** params, unsigned int count) {
  std::vector<ZELUnicodeString> entries;  // "p<i>=<value>"
  size_t total = 2;                       // "[" and "]"
  if (params) {
    entries.reserve(count < kReservedEntries ? count : kReservedEntries);
    const bool masking = selector == kMaskSelector && name && std::strcmp(name, kMaskName) == 0;
    for (unsigned int index = 0; index < count; ++index) {
      char label[16];
      std::snprintf(label, sizeof label, "p%d=", static_cast<int>(index));
      ZELUnicodeString piece(label);
      const ZELRTCParam* entry = params[index];
      if (masking && index == kMaskedIndex && entry) {
        AppendMasked(piece, *entry);
      } else {
        AppendWithinLimit(piece, entry);
      }
      total += (index > 0 ? 2 : 0) + static_cast<size_t>(piece.GetLengthInChar());
      entries.push_back(std::move(piece));
    }
  }

  ZELUnicodeString text;
  text.Reserve(total <= INT_MAX ? static_cast<int>(total) : 0);
  text.Append("[");
  for (size_t index = 0; index < entries.size(); ++index) {
    if (index > 0) text.Append(kSeparator);
    text.Append(entries[index]);
  }
  text.Append("]");
  return text;
}
