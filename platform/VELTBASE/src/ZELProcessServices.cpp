#include "ZELProcessServices.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#ifndef ZEL_VERSION_MAJOR
#define ZEL_VERSION_MAJOR 0
#define ZEL_VERSION_MINOR 0
#define ZEL_VERSION_PATCH 0
#define ZEL_VERSION_TWEAK 0
#endif
#ifndef ZEL_BUILD_TEXT
#define ZEL_BUILD_TEXT "Linux"
#endif

const char* ZELGetEnv(const char* name) { return name ? std::getenv(name) : nullptr; }

const char* ZELGetTempDirectory() {
  thread_local std::string directory;
  const char* tmp = std::getenv("TMPDIR");
  directory = (tmp && *tmp) ? tmp : "/tmp";
  if (directory.back() != '/') directory += '/';
  return directory.c_str();
}

int ZELFileAccess(const char* path, int mode) {
  if (!path) return -1;
  int how = 0;
  if (mode & 4) how |= R_OK;
  if (mode & 2) how |= W_OK;
  if (mode & 1) how |= X_OK;
  return access(path, how == 0 ? F_OK : how) == 0 ? 0 : -1;
}

int ZELGetKORVALevelInfo(ZELKORVALevelInfo& info) {
  info.version = ZEL_VERSION_MAJOR;
  info.release = ZEL_VERSION_MINOR;
  info.servicePack = ZEL_VERSION_PATCH;
  info.hotFix = ZEL_VERSION_TWEAK;
  std::snprintf(info.text, sizeof info.text, "%s", ZEL_BUILD_TEXT);
  return 0;
}

namespace {
std::atomic<ZELFatalErrorHandler> g_fatalHandler{nullptr};
}

ZELFatalErrorHandler ZELSetFatalErrorHandler(ZELFatalErrorHandler handler) { return g_fatalHandler.exchange(handler); }

void ZELFatalError(const char* text, const char* text2, const char* text3, const char* text4, const char* path,
                   int line) {
  if (ZELFatalErrorHandler handler = g_fatalHandler.load()) {
    handler(text, text2, text3, text4, path, line);
    return;
  }
  std::fprintf(stderr, "Fatal error: %s\n", text ? text : "(no text)");
  for (const char* extra : {text2, text3, text4}) {
    if (extra) std::fprintf(stderr, "  %s\n", extra);
  }
  std::fprintf(stderr, "  at %s:%d\n", path ? path : "(unknown)", line);
  std::fflush(stderr);
  std::abort();
}

namespace {

struct ExitHandlers {
  std::mutex lock;
  std::vector<ZELExitHandler> handlers;
};

ExitHandlers& TheExitHandlers() {
  static ExitHandlers* handlers = new ExitHandlers;  // Still needed while exit runs.
  return *handlers;
}

void RunExitHandlers() {
  ExitHandlers& h = TheExitHandlers();
  for (;;) {
    ZELExitHandler next;
    {
      std::lock_guard<std::mutex> guard(h.lock);
      if (h.handlers.empty()) return;
      next = h.handlers.back();
      h.handlers.pop_back();
    }
    next(0);
  }
}

}  // namespace

int ZELCallOnExit(ZELExitHandler handler, int /*priority*/) {
  if (!handler) return -1;
  ExitHandlers& h = TheExitHandlers();
  static std::once_flag hooked;
  std::call_once(hooked, [] { std::atexit(RunExitHandlers); });
  std::lock_guard<std::mutex> guard(h.lock);
  h.handlers.push_back(handler);
  return 0;
}
