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
#include <utility>
#include <vector>

#include "ZELRTCNotificationContract.h"
#include "ZELRTCParam.h"

class ZELRTCNotification;

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

// Seconds on a monotonic clock.
double ZELToolNow();

// Progress of a long reading on standard error: "\r12000 lines, 45%" at most
// every two seconds, the line ended when the reading is done.
class ZELToolProgress {
 public:
  ZELToolProgress() : _last(ZELToolNow()) {}
  ~ZELToolProgress();
  ZELToolProgress(const ZELToolProgress&) = delete;
  ZELToolProgress& operator=(const ZELToolProgress&) = delete;
  // After each line; `file` (null for a stream) and `size` (< 0 unknown) give the percentage.
  void Line(unsigned long lines, std::FILE* file, long size) {
    if ((lines & 1023) == 0) Report(lines, file, size);
  }

 private:
  void Report(unsigned long lines, std::FILE* file, long size);
  double _last;
  bool _shown = false;
};

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
  ZELToolProgress _progress;
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

// The getters' values of a built notification, by getter name.
nlohmann::json ZELToolGetters(const ZELRTCContractClass& c, const ZELRTCContractLayout& layout,
                              ZELRTCNotification& notification);

// What replay prints for an event: the line "line N  CLASS  version V, C
// parameters  RESULT" and, when built, a line per getter; or one JSON line.
// `layout` and `notification` are null when Build failed.
std::string ZELToolShowEvent(unsigned long line, const std::string& className, unsigned short version,
                             unsigned int count, bool built, const ZELRTCContractClass& c,
                             const ZELRTCContractLayout* layout, ZELRTCNotification* notification, bool asJson);

// Recording notifications that a session received, as events of the replay
// format. The layout is the class's last (its latest version, all its
// positions), at its lowest version; each position holds what its getter reads
// back. Positions that no getter reads are made from what the others read: a
// byte count from the bytes before it, a "has" flag from whether the value
// after it is there. An error notification keeps its text only: it is recorded
// in the catalog ZELToolRecorded (key Message, the text as the argument),
// which replay provides.
struct ZELToolRecording {
  const ZELRTCContractLayout* layout = nullptr;
  unsigned short version = 0;
  unsigned int count = 0;
};
bool ZELToolRecordLayout(const ZELRTCContractClass& c, ZELToolRecording& recording);
nlohmann::json ZELToolRecordEvent(const ZELRTCContractClass& c, const ZELToolRecording& recording,
                                  ZELRTCNotification& notification);

// A temporary folder of message catalogs put first in ZELMsgCatalogPath for
// the life of the object: {name, text} pairs, each written as name.msg.
class ZELToolCatalogs {
 public:
  explicit ZELToolCatalogs(const std::vector<std::pair<std::string, std::string>>& catalogs);
  ~ZELToolCatalogs();
  ZELToolCatalogs(const ZELToolCatalogs&) = delete;
  ZELToolCatalogs& operator=(const ZELToolCatalogs&) = delete;

 private:
  std::string _folder;
  std::vector<std::string> _files;
};

// The catalog of recorded error notifications.
extern const char kZELToolRecordedCatalogName[];
extern const char kZELToolRecordedCatalog[];
