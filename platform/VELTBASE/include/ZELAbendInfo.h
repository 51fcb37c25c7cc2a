// ZELAbendInfo: a section of the process's crash report.
//
// A library describes its section once (SetInformationSpecs: identifier, name,
// order) and registers a section object (SetAbendInfo). When the process dies
// of a fatal signal (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL), the crash
// handler writes a report to standard error and to the file
// "ZELCrashReport<pid>.txt" in the temporary directory: a header with the signal
// and the process id, then, for each registered section, its name and the text
// its Dump returns; then the process dies of the same signal, as it would have
// without the handler. A process opts in once with InstallCrashHandler.
//
// Report layout:
//   *** ZEL crash report: signal 11 (SIGSEGV) in process 4242 ***
//   --- COLLABORATION (section 43) ---
//   <text of the section's Dump, a line feed added when it lacks one>
//   *** End of crash report ***
//
// The handler writes with write(2) from fixed buffers and allocates nothing
// itself; the sections' Dump operations run inside it, so they should do as
// little as they can. A fatal signal of another thread while the report is
// being written waits for it; a stack overflow is reported on the threads that
// have an alternate signal stack (the one that installed the handler).
//
// Ownership: the registry keeps pointers only; a section object stays owned by
// whoever created it, and its destruction withdraws it from the registry.
// Registration takes a lock; the crash handler and WriteReport read the
// registry without one.
#pragma once

#include <cstdio>

#include "VELTBASEExport.h"

class VELTBASE_API ZELAbendInfo {
 public:
  explicit ZELAbendInfo(short sectionId);
  // Withdraws the object from the registry when it is registered.
  virtual ~ZELAbendInfo();
  ZELAbendInfo(const ZELAbendInfo&) = delete;
  ZELAbendInfo& operator=(const ZELAbendInfo&) = delete;

  // The section's text, owned by the object; null when it has none. Called by
  // the crash handler, so it should allocate as little as it can.
  virtual char* Dump();

  short GetSectionId() const { return _sectionId; }

  // Describes section `sectionId`: its `name` in the report (copied, at most
  // 63 bytes), its `order` (sections are written by ascending order, equal
  // orders in registration order) and `options` (kept; no option is defined,
  // pass 0). A later call for the same identifier replaces the description.
  // 0, or -1 when the identifier is 0 or the table of 32 descriptions is full.
  static int SetInformationSpecs(short sectionId, const char* name, int order, int options);

  // Registers `section` as the section of its identifier, replacing the object
  // registered for it before, and makes it the most recently registered one.
  // A null `section` withdraws the most recently registered object (the one
  // GetAbendInfo(0) designates). 0, or -1 when 32 sections are registered.
  static int SetAbendInfo(ZELAbendInfo* section);

  // The object registered for `sectionId`; for 0, the most recently registered
  // object still registered. Null when there is none.
  static ZELAbendInfo* GetAbendInfo(short sectionId);

  // Installs the crash handler for SIGSEGV, SIGABRT, SIGBUS, SIGFPE and SIGILL,
  // with an alternate signal stack for the calling thread (so that a stack
  // overflow there is still reported). The temporary directory is read now:
  // the report goes where TMPDIR pointed at this call. Returns the number of
  // these signals whose handler is now the crash handler (5 unless the runtime
  // refused some). Calling it again installs the handler again.
  static int InstallCrashHandler();
  // 1 when the crash handler is the handler of `signal` now, else 0.
  static int IsCrashHandlerInstalled(int signal);

  // Writes the report of the registered sections to `stream` now, headed
  // "*** ZEL crash report: on request in process <pid> ***". 0, or -1 for a
  // null stream.
  static int WriteReport(FILE* stream);

 private:
  short _sectionId;
};
