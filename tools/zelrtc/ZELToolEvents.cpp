// Reading events from JSON lines and showing parameters as JSON.
#include "ZELToolEvents.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "ZELListPtrZELIRTCGroup.h"
#include "ZELListPtrZELIRTCUser.h"
#include "ZELListValZELUnicodeString.h"
#include "ZELRTCUtilities.h"
#include "ZELRawCollint.h"
#include "ZELToolCommands.h"
#include "ZELToolObjects.h"

using nlohmann::json;

namespace {

const char* const kStatusNames[] = {"Active", "Away", "DND", "Idle", "OnThePhone", "Offline", "Unknown"};

// A value of the wrong JSON type: the message of the failure.
struct BadValue {
  std::string message;
};

std::string Field(const json& object, const char* name) {
  auto found = object.find(name);
  if (found == object.end() || found->is_null()) return "";
  if (!found->is_string()) throw BadValue{std::string("\"") + name + "\" must be a text"};
  return found->get<std::string>();
}

unsigned char Flag(const json& object, const char* name) {
  auto found = object.find(name);
  if (found == object.end() || found->is_null()) return 0;
  if (!found->is_boolean()) throw BadValue{std::string("\"") + name + "\" must be true or false"};
  return found->get<bool>() ? 1 : 0;
}

ZelRTCUserStatus Status(const json& user) {
  auto found = user.find("status");
  if (found == user.end() || found->is_null()) return ZelRTCStatusUnknown;
  if (found->is_number_integer()) return static_cast<ZelRTCUserStatus>(found->get<int>());
  if (found->is_string()) {
    for (int s = 0; s < 7; ++s)
      if (found->get<std::string>() == kStatusNames[s]) return static_cast<ZelRTCUserStatus>(s);
  }
  throw BadValue{"\"status\" must be one of Active, Away, DND, Idle, OnThePhone, Offline, Unknown"};
}

// A new user with one reference for the caller, or null for JSON null.
ZELIRTCUser* MakeUser(const json& value) {
  if (value.is_null()) return nullptr;
  if (!value.is_object()) throw BadValue{"a user must be an object {\"id\", \"name\", \"dn\", \"status\"} or null"};
  return new ZELToolUser(Field(value, "id"), Field(value, "name"), Field(value, "dn"), Field(value, "description"),
                         Status(value));
}

ZELIRTCGroup* MakeGroup(const json& value) {
  if (value.is_null()) return nullptr;
  if (!value.is_object()) throw BadValue{"a group must be an object {\"id\", \"name\", \"users\"} or null"};
  ZELToolGroup* group =
      new ZELToolGroup(Field(value, "id"), Field(value, "name"), Flag(value, "public"), Flag(value, "expanded"));
  auto users = value.find("users");
  if (users != value.end() && !users->is_null()) {
    if (!users->is_array()) {
      group->Release();
      throw BadValue{"\"users\" must be an array of users"};
    }
    for (const json& u : *users) {
      ZELIRTCUser* user = nullptr;
      try {
        user = MakeUser(u);
      } catch (...) {
        group->Release();
        throw;
      }
      if (user) {
        group->AddUser(user);
        user->Release();
      }
    }
  }
  return group;
}

const json& ArrayOf(const json& value, const char* what) {
  if (!value.is_array()) throw BadValue{std::string("expects an array of ") + what};
  return value;
}

// A parameter of a list of users or groups made from a JSON array; the list's
// references are released whatever happens (the parameter holds its own).
template <class List, class Item>
std::unique_ptr<ZELRTCParam> ListParam(const json& items, Item* (*make)(const json&)) {
  List list;
  try {
    for (const json& item : items) list.Append(make(item));
  } catch (...) {
    ZELRTCUtilities::Release(list);
    throw;
  }
  auto param = std::make_unique<ZELRTCParam>(list);
  ZELRTCUtilities::Release(list);
  return param;
}

std::unique_ptr<ZELRTCParam> MakeParam(int kind, const json& value) {
  switch (kind) {
    case ZELRTCParam::BoolKind:
      if (!value.is_boolean()) throw BadValue{"BoolKind expects true or false"};
      return std::make_unique<ZELRTCParam>(static_cast<unsigned char>(value.get<bool>() ? 1 : 0));
    case ZELRTCParam::IntKind:
      if (!value.is_number_integer()) throw BadValue{"IntKind expects an integer"};
      return std::make_unique<ZELRTCParam>(value.get<int>());
    case ZELRTCParam::DoubleKind:
      if (!value.is_number()) throw BadValue{"DoubleKind expects a number"};
      return std::make_unique<ZELRTCParam>(value.get<double>());
    case ZELRTCParam::ByteArrayKind: {
      if (!value.is_string()) throw BadValue{"ByteArrayKind expects a text (its bytes)"};
      const std::string& bytes = value.get_ref<const std::string&>();
      return std::make_unique<ZELRTCParam>(bytes.data(), static_cast<int>(bytes.size()));
    }
    case ZELRTCParam::UnicodeStringKind:
      if (!value.is_string()) throw BadValue{"UnicodeStringKind expects a text"};
      return std::make_unique<ZELRTCParam>(ZELUnicodeString(value.get<std::string>().c_str()));
    case ZELRTCParam::StringVectorKind: {
      ZELListValZELUnicodeString list;
      for (const json& s : ArrayOf(value, "texts")) {
        if (!s.is_string()) throw BadValue{"StringVectorKind expects an array of texts"};
        list.Append(ZELUnicodeString(s.get<std::string>().c_str()));
      }
      return std::make_unique<ZELRTCParam>(list);
    }
    case ZELRTCParam::UserKind: {
      ZELIRTCUser* user = MakeUser(value);
      auto param = std::make_unique<ZELRTCParam>(user);
      if (user) user->Release();
      return param;
    }
    case ZELRTCParam::GroupKind: {
      ZELIRTCGroup* group = MakeGroup(value);
      auto param = std::make_unique<ZELRTCParam>(group);
      if (group) group->Release();
      return param;
    }
    case ZELRTCParam::UserListKind:
      return ListParam<ZELListPtrZELIRTCUser>(ArrayOf(value, "users"), MakeUser);
    case ZELRTCParam::GroupListKind:
      return ListParam<ZELListPtrZELIRTCGroup>(ArrayOf(value, "groups"), MakeGroup);
    case ZELRTCParam::IntListKind: {
      ZELRawCollint list;
      for (const json& i : ArrayOf(value, "integers")) {
        if (!i.is_number_integer()) throw BadValue{"IntListKind expects an array of integers"};
        list.Append(i.get<int>());
      }
      return std::make_unique<ZELRTCParam>(list);
    }
  }
  throw BadValue{"no such kind"};
}

json UserToJson(ZELIRTCUser* user) {
  if (!user) return nullptr;
  json out = {{"id", ZELToolText(user->GetIdentifier())}, {"name", ZELToolText(user->GetName())}};
  std::string dn = ZELToolText(user->GetDn());
  if (!dn.empty()) out["dn"] = dn;
  int status = user->GetStatus();
  if (status >= 0 && status < 7) out["status"] = kStatusNames[status];
  return out;
}

json GroupToJson(ZELIRTCGroup* group) {
  if (!group) return nullptr;
  unsigned char isPublic = 0, expanded = 0;
  group->IsPublic(isPublic);
  group->IsExpanded(expanded);
  json out = {{"id", ZELToolText(group->GetIdentifier())},
              {"name", ZELToolText(group->GetName())},
              {"public", isPublic != 0},
              {"expanded", expanded != 0}};
  ZELListPtrZELIRTCUser users;  // handed over without references
  group->GetUsers(users);
  json list = json::array();
  for (int i = 1; i <= users.Size(); ++i) list.push_back(UserToJson(users[i]));
  out["users"] = list;
  return out;
}

}  // namespace

std::string ZELToolText(const ZELUnicodeString& text) {
  const char* utf8 = text.CastToCharPtr();
  return utf8 ? utf8 : "";
}

int ZELToolKindFromName(const std::string& name) {
  for (int kind = 0; ZELRTCNotificationContract::KindName(kind); ++kind)
    if (name == ZELRTCNotificationContract::KindName(kind)) return kind;
  return -1;
}

bool ZELToolParseEvent(const std::string& line, ZELToolEvent& event, std::string& error) {
  json doc;
  try {
    doc = json::parse(line);
  } catch (const json::parse_error& e) {
    error = "byte " + std::to_string(e.byte) + ": not JSON (" + e.what() + ")";
    return false;
  }
  if (!doc.is_object()) return error = "an event must be an object {\"class\", \"version\", \"params\"}", false;
  auto cls = doc.find("class");
  if (cls == doc.end() || !cls->is_string()) return error = "\"class\" must be a class name", false;
  event.className = cls->get<std::string>();
  if (!ZELRTCNotificationContract::Find(event.className.c_str()))
    return error = "unknown class \"" + event.className + "\"", false;
  auto version = doc.find("version");
  if (version == doc.end() || !version->is_number_unsigned() || version->get<unsigned long>() > 65535)
    return error = "\"version\" must be an integer from 0 to 65535", false;
  event.version = static_cast<unsigned short>(version->get<unsigned long>());
  auto params = doc.find("params");
  if (params == doc.end() || !params->is_array()) return error = "\"params\" must be an array", false;
  for (size_t i = 0; i < params->size(); ++i) {
    const json& p = (*params)[i];
    std::string where = "position " + std::to_string(i) + ": ";
    if (p.is_null()) {
      event.params.emplace_back();
      continue;
    }
    if (!p.is_object() || !p.contains("kind") || !p["kind"].is_string() || !p.contains("value"))
      return error = where + "a parameter must be {\"kind\", \"value\"} or null", false;
    int kind = ZELToolKindFromName(p["kind"].get<std::string>());
    if (kind < 0) return error = where + "unknown kind \"" + p["kind"].get<std::string>() + "\"", false;
    try {
      event.params.push_back(MakeParam(kind, p["value"]));
    } catch (const BadValue& bad) {
      return error = where + bad.message, false;
    }
  }
  for (auto& p : event.params) event.pointers.push_back(p.get());
  return true;
}

const ZELRTCContractLayout* ZELToolSelectLayout(const ZELRTCContractClass& c, unsigned int count,
                                                unsigned short version) {
  for (unsigned int l = 0; l < c.layoutCount; ++l) {
    const ZELRTCContractLayout& layout = c.layouts[l];
    if (count >= layout.minCount && count <= layout.maxCount && version >= layout.minVersion &&
        version <= layout.maxVersion)
      return &layout;
  }
  return nullptr;
}

json ZELToolParamToJson(const ZELRTCParam& param) {
  switch (param.GetType()) {
    case ZELRTCParam::BoolKind:
      return param.GetBoolValue() != 0;
    case ZELRTCParam::IntKind:
      return param.GetIntValue();
    case ZELRTCParam::DoubleKind:
      return param.GetDoubleValue();
    case ZELRTCParam::ByteArrayKind: {
      int length = 0;
      const char* bytes = param.GetByteArrayValue(length);
      return bytes ? json(std::string(bytes, static_cast<size_t>(length))) : json(nullptr);
    }
    case ZELRTCParam::UnicodeStringKind:
      return ZELToolText(param.GetUnicodeStringValue());
    case ZELRTCParam::StringVectorKind: {
      ZELListValZELUnicodeString list;
      param.GetValue(list);
      json out = json::array();
      for (int i = 1; i <= list.Size(); ++i) out.push_back(ZELToolText(list[i]));
      return out;
    }
    case ZELRTCParam::UserKind: {
      ZELIRTCUser* user = param.GetUserValue();
      json out = UserToJson(user);
      if (user) user->Release();
      return out;
    }
    case ZELRTCParam::GroupKind: {
      ZELIRTCGroup* group = param.GetGroupValue();
      json out = GroupToJson(group);
      if (group) group->Release();
      return out;
    }
    case ZELRTCParam::UserListKind: {
      ZELListPtrZELIRTCUser list;
      param.GetValue(list);
      json out = json::array();
      for (int i = 1; i <= list.Size(); ++i) out.push_back(UserToJson(list[i]));
      ZELRTCUtilities::Release(list);
      return out;
    }
    case ZELRTCParam::GroupListKind: {
      ZELListPtrZELIRTCGroup list;
      param.GetValue(list);
      json out = json::array();
      for (int i = 1; i <= list.Size(); ++i) out.push_back(GroupToJson(list[i]));
      ZELRTCUtilities::Release(list);
      return out;
    }
    case ZELRTCParam::IntListKind: {
      ZELRawCollint list;
      param.GetValue(list);
      json out = json::array();
      for (int i = 1; i <= list.Size(); ++i) out.push_back(list[i]);
      return out;
    }
  }
  return nullptr;
}

double ZELToolNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

ZELToolLineReader::ZELToolLineReader(const std::string& path) {
  if (path == "-") {
    _file = stdin;
  } else {
    _file = std::fopen(path.c_str(), "rb");
    _owned = _file != nullptr;
    if (_file && std::fseek(_file, 0, SEEK_END) == 0) {
      _size = std::ftell(_file);
      std::rewind(_file);
    }
  }
  _start = _lastReport = ZELToolNow();
}

ZELToolLineReader::~ZELToolLineReader() {
  if (_lastReport > _start) std::fputc('\n', stderr);
  if (_owned) std::fclose(_file);
  std::free(_buffer);
}

bool ZELToolLineReader::Next(std::string& line) {
  ssize_t n = getline(&_buffer, &_capacity, _file);
  if (n < 0) return false;
  while (n > 0 && (_buffer[n - 1] == '\n' || _buffer[n - 1] == '\r')) --n;
  line.assign(_buffer, static_cast<size_t>(n));
  ++_lineNumber;
  if ((_lineNumber & 1023) == 0) {
    double now = ZELToolNow();
    if (now - _lastReport >= 2.0) {
      _lastReport = now;
      if (_size > 0)
        std::fprintf(stderr, "\r%lu lines, %.0f%%", _lineNumber, 100.0 * std::ftell(_file) / _size);
      else
        std::fprintf(stderr, "\r%lu lines", _lineNumber);
    }
  }
  return true;
}

int ZELToolForEachEvent(
    const ZELToolOptions& options, const char* help,
    const std::function<bool(ZELToolEvent& event, unsigned long line, const std::string& path)>& each) {
  if (options.operands.size() != 1) {
    std::fputs(help, stderr);
    return 2;
  }
  const std::string& path = options.operands[0];
  ZELToolLineReader reader(path);
  if (!reader.IsOpen()) {
    std::fprintf(stderr, "zelrtc: cannot open %s\n", path.c_str());
    return 2;
  }
  bool failed = false;
  std::string line;
  while (reader.Next(line)) {
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    ZELToolEvent event;
    std::string error;
    if (!ZELToolParseEvent(line, event, error)) {
      std::fprintf(stderr, "%s:%lu: %s\n", path.c_str(), reader.LineNumber(), error.c_str());
      failed = true;
      continue;
    }
    if (!each(event, reader.LineNumber(), path)) failed = true;
  }
  return failed ? 1 : 0;
}
