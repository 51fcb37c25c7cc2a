// Message catalogs: folders from "ZELMsgCatalogPath" (or the installation's
// own), one "<name>.msg" file per catalog, "key = message" lines.
#include "ZELMsgCatalog.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ZELProcessServices.h"

#ifndef ZEL_MSGCATALOG_RELATIVE_DIR
#define ZEL_MSGCATALOG_RELATIVE_DIR "../share/ZELRTCItf/msgcatalog"
#endif

namespace {

const char kPathVariable[] = "ZELMsgCatalogPath";
const size_t kMaxCatalogName = 128;

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsValidCatalogName(const char* name) {
  size_t n = 0;
  for (; name[n]; ++n) {
    if (n >= kMaxCatalogName || !IsNameChar(name[n])) return false;
  }
  return n > 0 && name[0] != '.';
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const char* p, size_t n) {
  const auto* s = reinterpret_cast<const unsigned char*>(p);
  size_t i = 0;
  while (i < n) {
    unsigned char c = s[i];
    size_t extra;
    unsigned int low = 0x80, high = 0xBF;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    if (s[i + 1] < low || s[i + 1] > high) return false;
    for (size_t k = 2; k <= extra; ++k) {
      if (s[i + k] < 0x80 || s[i + k] > 0xBF) return false;
    }
    i += extra + 1;
  }
  return true;
}

// The whole file when it is a regular file of at most kMaxFileSize bytes
// without a zero byte; false otherwise.
bool ReadCatalogFile(const std::string& path, std::string& out) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = false;
  struct stat info;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= ZELMsgCatalog::kMaxFileSize) {
    // The size may change under us: one byte more than announced shows growth,
    // and nothing beyond the cap plus one byte is ever taken.
    const size_t cap = static_cast<size_t>(ZELMsgCatalog::kMaxFileSize) + 1;
    out.resize(static_cast<size_t>(info.st_size) + 1);
    size_t got = 0;
    ok = true;
    for (;;) {
      ssize_t n = read(fd, &out[got], out.size() - got);
      if (n < 0) ok = false;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
      if (got == out.size()) {
        if (got >= cap) break;
        out.resize(got * 2 < cap ? got * 2 : cap);
      }
    }
    out.resize(got);
    if (got >= cap || out.find('\0') != std::string::npos) ok = false;
  }
  close(fd);
  return ok;
}

// The message of `key` in catalog text `text`, unescaped; false when no
// well-formed line gives it.
bool FindEntry(const std::string& text, const std::string& key, std::string& message) {
  size_t start = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;  // a byte-order mark
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t b = start, e = end;
    start = end + 1;
    if (e > b && text[e - 1] == '\r') --e;
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    if (b == e || text[b] == '#') continue;
    size_t eq = text.find('=', b);
    if (eq == std::string::npos || eq >= e) continue;
    size_t keyEnd = eq;
    while (keyEnd > b && IsBlank(text[keyEnd - 1])) --keyEnd;
    if (keyEnd == b) continue;
    bool wellFormedKey = true;
    for (size_t i = b; i < keyEnd; ++i) wellFormedKey = wellFormedKey && IsNameChar(text[i]);
    if (!wellFormedKey || !IsValidUtf8(text.data() + b, e - b)) continue;
    if (text.compare(b, keyEnd - b, key) != 0) continue;
    size_t m = eq + 1;
    while (m < e && IsBlank(text[m])) ++m;
    message.clear();
    for (size_t i = m; i < e; ++i) {
      char c = text[i];
      if (c == '\\' && i + 1 < e) {
        char next = text[i + 1];
        if (next == 'n' || next == 't' || next == '\\') {
          message += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
          ++i;
          continue;
        }
      }
      message += c;
    }
    return true;
  }
  return false;
}

// Replaces each "{N}" with 1 <= N <= argCount by args[N-1].
std::u16string Substitute(std::u16string_view message, const ZELUnicodeString* args, int argCount) {
  std::u16string result;
  result.reserve(message.size());
  size_t i = 0;
  while (i < message.size()) {
    if (message[i] == u'{') {
      size_t j = i + 1;
      long number = 0;
      while (j < message.size() && j - i <= 9 && message[j] >= u'0' && message[j] <= u'9') {
        number = number * 10 + (message[j] - u'0');
        ++j;
      }
      if (j > i + 1 && j < message.size() && message[j] == u'}' && number >= 1 && number <= argCount) {
        result += args[number - 1].Units();
        i = j + 1;
        continue;
      }
    }
    result += message[i++];
  }
  return result;
}

std::vector<std::string> SearchDirectories() {
  std::vector<std::string> dirs;
  const char* list = ZELGetEnv(kPathVariable);
  if (!list) {
    dirs.push_back(ZELMsgCatalog::DefaultDirectory().CastToCharPtr());
    return dirs;
  }
  std::string all(list);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(':', start);
    if (end == std::string::npos) end = all.size();
    if (end > start) dirs.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return dirs;
}

void Anchor() {}

}  // namespace

ZELString ZELMsgCatalog::DefaultDirectory() {
  static const std::string directory = [] {
    Dl_info info{};
    std::string libraryDir = ".";
    if (dladdr(reinterpret_cast<void*>(&Anchor), &info) && info.dli_fname) {
      std::string file(info.dli_fname);
      size_t slash = file.rfind('/');
      if (slash != std::string::npos) libraryDir = slash == 0 ? "/" : file.substr(0, slash);
    }
    if (libraryDir.back() != '/') libraryDir += '/';
    return libraryDir + ZEL_MSGCATALOG_RELATIVE_DIR;
  }();
  return ZELString(directory.c_str());
}

ZELUnicodeString ZELMsgCatalog::BuildMessage(const char* catalogName, const char* key, const ZELUnicodeString* args,
                                             int argCount, const ZELUnicodeString& defaultMessage,
                                             const void* /*reserved*/) {
  try {
    if (!catalogName || !key || !IsValidCatalogName(catalogName) || !*key) return defaultMessage;
    if (!args || argCount < 0) argCount = 0;
    const std::string wanted(key);
    std::string text, message;
    for (const std::string& dir : SearchDirectories()) {
      std::string path = dir;
      if (path.back() != '/') path += '/';
      path += catalogName;
      path += ".msg";
      if (!ReadCatalogFile(path, text) || !FindEntry(text, wanted, message)) continue;
      ZELUnicodeString converted(message.c_str());
      std::u16string built = Substitute(converted.Units(), args, argCount);
      return ZELUnicodeString(built.c_str(), static_cast<int>(built.size()));
    }
  } catch (...) {
    // Out of memory: the default message is the answer.
  }
  return defaultMessage;
}
