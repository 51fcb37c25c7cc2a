// Events as a driver sends them, one JSON object per line:
//
//   {"class": "ZELRTCLoginNotification", "version": 1,
//    "params": [{"kind": "IntKind", "value": 1}, {"kind": "UnicodeStringKind", "value": "chat.example.org"},
//               {"kind": "UserKind", "value": {"id": "alice@example.org", "name": "Alice", "status": "Active"}},
//               {"kind": "IntKind", "value": 0}]}
//
// A parameter may be null (a null element). Values by kind: BoolKind true or
// false, IntKind an integer, DoubleKind a number, ByteArrayKind a text (its
// UTF-8 bytes), UnicodeStringKind a text, StringVectorKind an array of texts,
// UserKind a user object or null, GroupKind a group object or null, UserListKind
// and GroupListKind arrays of them, IntListKind an array of integers.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ZELRTCNotificationContract.h"
#include "ZELRTCParam.h"

struct ZELToolEvent {
  std::string className;
  unsigned short version = 0;
  std::vector<std::unique_ptr<ZELRTCParam>> params;  // null for a null element
  std::vector<ZELRTCParam*> pointers;                // the array handed to Build

  ZELRTCParam** Array() { return pointers.data(); }
  unsigned int Count() const { return static_cast<unsigned int>(pointers.size()); }
};

// Parses one line into `event`; on failure, `error` says where ("byte 12: ...",
// "position 2: ...") and what is wrong.
bool ZELToolParseEvent(const std::string& line, ZELToolEvent& event, std::string& error);

// The layout that Build uses for this count and version (the first that fits), or null.
const ZELRTCContractLayout* ZELToolSelectLayout(const ZELRTCContractClass& c, unsigned int count,
                                                unsigned short version);

// The kind of that name ("IntKind"), or -1.
int ZELToolKindFromName(const std::string& name);

// A parameter's value as JSON, by kind (users and groups as objects).
nlohmann::json ZELToolParamToJson(const ZELRTCParam& param);

// The UTF-8 text of a string.
std::string ZELToolText(const ZELUnicodeString& text);

// Calls `show(field, getter, value)` for every getter of the class that the
// layout's positions and the class's computed getters name, in order.
template <class Show>
void ZELToolForEachGetter(const ZELRTCContractClass& c, const ZELRTCContractLayout& layout,
                          ZELRTCNotification& notification, Show show) {
  for (unsigned int i = 0; i < layout.positionCount; ++i) {
    const ZELRTCContractPosition& p = layout.positions[i];
    if (!p.get) continue;
    std::unique_ptr<ZELRTCParam> value(p.get(notification));
    show(p.field, p.getter, *value);
  }
  for (unsigned int g = 0; g < c.getterCount; ++g) {
    std::unique_ptr<ZELRTCParam> value(c.getters[g].get(notification));
    show(c.getters[g].field, c.getters[g].getter, *value);
  }
}

// Reads an events file ("-" for standard input) line by line, telling progress
// on standard error every few seconds when the file is long.
class ZELToolLineReader {
 public:
  explicit ZELToolLineReader(const std::string& path);
  ~ZELToolLineReader();
  ZELToolLineReader(const ZELToolLineReader&) = delete;
  ZELToolLineReader& operator=(const ZELToolLineReader&) = delete;

  bool IsOpen() const { return _file != nullptr; }
  // The next line without its end, false at the end of the file.
  bool Next(std::string& line);
  unsigned long LineNumber() const { return _lineNumber; }

 private:
  std::FILE* _file = nullptr;
  bool _owned = false;
  unsigned long _lineNumber = 0;
  long _size = -1;
  double _lastReport = 0;
  double _start = 0;
  char* _buffer = nullptr;
  size_t _capacity = 0;
};

// The loop of the commands that read an events file (check, replay): the one
// operand names the file ("-" for standard input); blank lines are skipped; a
// line that is not an event is reported on standard error with its file and
// line. `each` gets every event with its line number and says whether it went
// well. Returns the exit status: 2 for a wrong use or an unreadable file, 1
// when a line was bad or `each` said no, else 0.
struct ZELToolOptions;
int ZELToolForEachEvent(
    const ZELToolOptions& options, const char* help,
    const std::function<bool(ZELToolEvent& event, unsigned long line, const std::string& path)>& each);

// Seconds on a monotonic clock.
double ZELToolNow();
