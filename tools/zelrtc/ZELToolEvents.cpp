// Reading events from JSON lines and showing parameters as JSON.
#include "ZELToolEvents.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "ZELListPtrZELIRTCGroup.h"
#include "ZELListPtrZELIRTCUser.h"
#include "ZELListValZELUnicodeString.h"
#include "ZELRTCNotification.h"
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
  std::string description = ZELToolText(user->GetStatusDescription());
  if (!description.empty()) out["description"] = description;
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
  // Our replayed groups hand their users over without references, as the
  // library's renderings expect; any other group gives one per user.
  const bool referenced = dynamic_cast<ZELToolGroup*>(group) == nullptr;
  ZELListPtrZELIRTCUser users;
  group->GetUsers(users);
  json list = json::array();
  for (int i = 1; i <= users.Size(); ++i) list.push_back(UserToJson(users[i]));
  if (referenced) ZELRTCUtilities::Release(users);
  out["users"] = list;
  return out;
}

// A parameter of the replay format: its kind and value, or null.
json Recorded(int kind, const json& value) {
  return {{"kind", ZELRTCNotificationContract::KindName(kind)}, {"value", value}};
}

// The value of a getter as a parameter of the replay format.
json RecordedParam(const ZELRTCParam& param) {
  json value = ZELToolParamToJson(param);
  // Bytes that are not there are recorded as none at all.
  if (value.is_null() && param.GetType() == ZELRTCParam::ByteArrayKind) value = "";
  return Recorded(param.GetType(), value);
}

// A value of the kind where nothing tells more.
json Nothing(int kind) {
  switch (kind) {
    case ZELRTCParam::BoolKind:
      return false;
    case ZELRTCParam::IntKind:
      return 0;
    case ZELRTCParam::DoubleKind:
      return 0.0;
    case ZELRTCParam::ByteArrayKind:
    case ZELRTCParam::UnicodeStringKind:
      return "";
    case ZELRTCParam::UserKind:
    case ZELRTCParam::GroupKind:
      return nullptr;
  }
  return json::array();
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

const char kZELToolRecordedCatalogName[] = "ZELToolRecorded";
const char kZELToolRecordedCatalog[] =
    "# Error notifications recorded by zelrtc connect: the text as it was shown.\n"
    "Message = {1}\n";

json ZELToolGetters(const ZELRTCContractClass& c, const ZELRTCContractLayout& layout, ZELRTCNotification& n) {
  json getters = json::object();
  ZELToolForEachGetter(c, layout, n, [&](const char*, const char* getter, const ZELRTCParam& value) {
    getters[getter] = ZELToolParamToJson(value);
  });
  return getters;
}

std::string ZELToolShowEvent(unsigned long line, const std::string& className, unsigned short version,
                             unsigned int count, bool built, const ZELRTCContractClass& c,
                             const ZELRTCContractLayout* layout, ZELRTCNotification* n, bool asJson) {
  if (asJson) {
    json out = {{"line", line},
                {"class", className},
                {"version", version},
                {"count", count},
                {"result", built ? "S_OK" : "E_FAIL"}};
    if (built && layout && n) out["getters"] = ZELToolGetters(c, *layout, *n);
    return out.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
  }
  char head[64];
  std::snprintf(head, sizeof head, "line %lu  ", line);
  std::string text = head + className;
  std::snprintf(head, sizeof head, "  version %u, %u parameters  ", version, count);
  text += head;
  text += built ? "S_OK\n" : "E_FAIL\n";
  if (built && layout && n) {
    ZELToolForEachGetter(c, *layout, *n, [&](const char* field, const char* getter, const ZELRTCParam& value) {
      // Groups as JSON: the library's rendering of a group keeps references it was not given.
      const int kind = value.GetType();
      std::string shown = kind == ZELRTCParam::GroupKind || kind == ZELRTCParam::GroupListKind
                              ? ZELToolParamToJson(value).dump(-1, ' ', false, json::error_handler_t::replace)
                              : ZELToolText(value.ToString());
      char columns[80];
      std::snprintf(columns, sizeof columns, "    %-24s %-40s ", field, getter);
      text += columns + shown + "\n";
    });
  }
  return text;
}

bool ZELToolRecordLayout(const ZELRTCContractClass& c, ZELToolRecording& recording) {
  if (c.layoutCount == 0) return false;
  const ZELRTCContractLayout& last = c.layouts[c.layoutCount - 1];
  recording.layout = &last;
  recording.version = last.minVersion;
  recording.count = last.positionCount < last.maxCount ? last.positionCount : last.maxCount;
  return ZELToolSelectLayout(c, recording.count, recording.version) == &last;
}

json ZELToolRecordEvent(const ZELRTCContractClass& c, const ZELToolRecording& recording, ZELRTCNotification& n) {
  const ZELRTCContractLayout& layout = *recording.layout;
  std::vector<json> read(recording.count);  // what each position's getter reads, or null
  for (unsigned int i = 0; i < recording.count; ++i) {
    const ZELRTCContractPosition& p = layout.positions[i];
    if (!p.get) continue;
    std::unique_ptr<ZELRTCParam> value(p.get(n));
    if (value) read[i] = RecordedParam(*value);
  }
  std::string errorText;
  for (unsigned int g = 0; g < c.getterCount; ++g) {
    if (std::strcmp(c.getters[g].getter, "GetErrorMessage") != 0) continue;
    std::unique_ptr<ZELRTCParam> value(c.getters[g].get(n));
    if (value) errorText = ZELToolText(value->GetUnicodeStringValue());
  }
  json params = json::array();
  for (unsigned int i = 0; i < recording.count; ++i) {
    const ZELRTCContractPosition& p = layout.positions[i];
    if (!read[i].is_null()) {
      params.push_back(read[i]);
    } else if (std::strcmp(p.field, "catalog") == 0) {
      params.push_back(Recorded(p.kind, kZELToolRecordedCatalogName));
    } else if (std::strcmp(p.field, "messageKey") == 0) {
      params.push_back(Recorded(p.kind, "Message"));
    } else if (std::strcmp(p.field, "arguments") == 0) {
      params.push_back(Recorded(p.kind, json::array({errorText})));
    } else if (p.kind == ZELRTCParam::IntKind && i > 0 && !read[i - 1].is_null() &&
               read[i - 1]["kind"] == "ByteArrayKind") {
      params.push_back(Recorded(p.kind, read[i - 1]["value"].get_ref<const std::string&>().size()));
    } else if (p.kind == ZELRTCParam::BoolKind && i + 1 < recording.count &&
               layout.positions[i + 1].use == ZELRTCContractWhenPreviousSet) {
      const json& next = read[i + 1];
      bool there = !next.is_null() && !next["value"].is_null() && next["value"] != "";
      params.push_back(Recorded(p.kind, there));
    } else {
      params.push_back(Recorded(p.kind, Nothing(p.kind)));
    }
  }
  return {{"class", c.className}, {"version", recording.version}, {"params", params}};
}

ZELToolCatalogs::ZELToolCatalogs(const std::vector<std::pair<std::string, std::string>>& catalogs) {
  char folder[] = "/tmp/zelrtc-catalogs-XXXXXX";
  if (!mkdtemp(folder)) return;
  _folder = folder;
  for (const auto& catalog : catalogs) {
    std::string path = _folder + "/" + catalog.first + ".msg";
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) continue;
    std::fputs(catalog.second.c_str(), f);
    std::fclose(f);
    _files.push_back(path);
  }
  const char* previous = std::getenv("ZELMsgCatalogPath");
  std::string value = _folder;
  if (previous && *previous) value += std::string(":") + previous;
  setenv("ZELMsgCatalogPath", value.c_str(), 1);
}

ZELToolCatalogs::~ZELToolCatalogs() {
  for (const std::string& file : _files) std::remove(file.c_str());
  if (!_folder.empty()) rmdir(_folder.c_str());
}

ZELToolProgress::~ZELToolProgress() {
  if (_shown) std::fputc('\n', stderr);
}

void ZELToolProgress::Report(unsigned long lines, std::FILE* file, long size) {
  double now = ZELToolNow();
  if (now - _last < 2.0) return;
  _last = now;
  _shown = true;
  if (file && size > 0)
    std::fprintf(stderr, "\r%lu lines, %.0f%%", lines, 100.0 * std::ftell(file) / size);
  else
    std::fprintf(stderr, "\r%lu lines", lines);
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
}

ZELToolLineReader::~ZELToolLineReader() {
  if (_owned) std::fclose(_file);
  std::free(_buffer);
}

bool ZELToolLineReader::Next(std::string& line) {
  ssize_t n = getline(&_buffer, &_capacity, _file);
  if (n < 0) return false;
  while (n > 0 && (_buffer[n - 1] == '\n' || _buffer[n - 1] == '\r')) --n;
  line.assign(_buffer, static_cast<size_t>(n));
  ++_lineNumber;
  _progress.Line(_lineNumber, _owned ? _file : nullptr, _size);
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
