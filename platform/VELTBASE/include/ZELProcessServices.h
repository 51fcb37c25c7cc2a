// Process services of the platform: environment, files, version, fatal errors
// and exit handlers.
#pragma once

#include "VELTBASEExport.h"

// The text of environment variable `name`, or null when it is not defined.
VELTBASE_API const char* ZELGetEnv(const char* name);

// The temporary directory ("TMPDIR", else "/tmp"), always ending in '/'. The
// text belongs to the calling thread and stays valid until its next call.
VELTBASE_API const char* ZELGetTempDirectory();

// 0 when `path` can be accessed in `mode` (4 read, 2 write, 0 existence; the
// bits may be combined), -1 otherwise.
VELTBASE_API int ZELFileAccess(const char* path, int mode);

// The version of this platform build.
struct ZELKORVALevelInfo {
  int version;
  int release;
  int servicePack;
  int hotFix;
  char text[64];
};
// Fills `info`; returns 0 on success.
VELTBASE_API int ZELGetKORVALevelInfo(ZELKORVALevelInfo& info);

// Reports a fatal error: the text (and the three further texts when not null),
// the source path and the line go to standard error, then the process aborts.
// A handler installed with ZELSetFatalErrorHandler is called instead; when it
// returns, ZELFatalError returns.
VELTBASE_API void ZELFatalError(const char* text, const char* text2, const char* text3, const char* text4,
                                const char* path, int line);
typedef void (*ZELFatalErrorHandler)(const char* text, const char* text2, const char* text3, const char* text4,
                                     const char* path, int line);
// Installs `handler` (null restores the default); returns the previous one.
VELTBASE_API ZELFatalErrorHandler ZELSetFatalErrorHandler(ZELFatalErrorHandler handler);

// Runs `handler` at normal process exit, after the handlers registered later
// (last registered, first run). `priority` is kept for the platform's ordering
// of handlers of different libraries and does not change this order.
typedef int (*ZELExitHandler)(int);
VELTBASE_API int ZELCallOnExit(ZELExitHandler handler, int priority);
