// Crash-report sections, their registry and the fatal-signal handler.
//
// The handler may run at any point of the program, on a damaged heap: it
// writes with write(2) from fixed buffers prepared at installation, reads the
// registry without a lock, and allocates nothing itself. The sections' Dump
// operations are the only code it calls that it does not control.
#include "ZELAbendInfo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

#include "ZELProcessServices.h"

namespace {

constexpr int kMaxSections = 32;
constexpr int kNameSize = 64;

// The description of a section, as given to SetInformationSpecs.
struct SectionDescription {
  short id;
  int order;
  int options;
  char name[kNameSize];
};

SectionDescription g_descriptions[kMaxSections];
std::atomic<int> g_descriptionCount{0};

// Registered section objects, oldest first; the last one is the most recently
// registered. Updated under the lock, read by the handler without it.
std::atomic<ZELAbendInfo*> g_sections[kMaxSections];
std::atomic<int> g_sectionCount{0};

std::mutex& RegistryLock() {
  static std::mutex* lock = new std::mutex;  // Usable while static objects are destroyed.
  return *lock;
}

// Removes entry `i` of the registered sections; the lock is held.
void RemoveSectionAt(int i) {
  int count = g_sectionCount.load();
  for (int k = i; k + 1 < count; ++k) g_sections[k].store(g_sections[k + 1].load());
  g_sections[count - 1].store(nullptr);
  g_sectionCount.store(count - 1);
}

const SectionDescription* FindDescription(short id) {
  int count = g_descriptionCount.load();
  for (int i = 0; i < count; ++i) {
    if (g_descriptions[i].id == id) return &g_descriptions[i];
  }
  return nullptr;
}

// Where the report goes: a writer that the handler and WriteReport share.
struct ReportSink {
  virtual void Write(const char* text, size_t length) = 0;
  void Write(const char* text) { Write(text, std::strlen(text)); }

 protected:
  ~ReportSink() = default;
};

// Writes to up to two file descriptors with write(2), retrying short writes.
struct DescriptorSink final : ReportSink {
  int fds[2] = {-1, -1};
  void Write(const char* text, size_t length) override {
    for (int fd : fds) {
      if (fd < 0) continue;
      size_t done = 0;
      while (done < length) {
        ssize_t n = ::write(fd, text + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
    }
  }
  using ReportSink::Write;
};

struct StreamSink final : ReportSink {
  FILE* stream;
  explicit StreamSink(FILE* s) : stream(s) {}
  void Write(const char* text, size_t length) override { std::fwrite(text, 1, length, stream); }
  using ReportSink::Write;
};

// Decimal text of `value` in `buffer` (at least 24 bytes); returns it.
const char* FormatInt(long value, char* buffer) {
  char digits[24];
  int n = 0;
  unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  int k = 0;
  if (value < 0) buffer[k++] = '-';
  while (n) buffer[k++] = digits[--n];
  buffer[k] = '\0';
  return buffer;
}

// The sections in report order, their texts and the closing line.
void WriteSections(ReportSink& out) {
  ZELAbendInfo* sections[kMaxSections];
  int orders[kMaxSections];
  int count = g_sectionCount.load();
  if (count > kMaxSections) count = kMaxSections;
  for (int i = 0; i < count; ++i) {
    sections[i] = g_sections[i].load();
    const SectionDescription* description = sections[i] ? FindDescription(sections[i]->GetSectionId()) : nullptr;
    orders[i] = description ? description->order : 0;
  }
  bool written[kMaxSections] = {};
  char number[24];
  for (int round = 0; round < count; ++round) {
    int next = -1;
    for (int i = 0; i < count; ++i) {
      if (!written[i] && (next < 0 || orders[i] < orders[next])) next = i;
    }
    written[next] = true;
    ZELAbendInfo* section = sections[next];
    if (!section) continue;
    const SectionDescription* description = FindDescription(section->GetSectionId());
    out.Write("--- ");
    out.Write(description && description->name[0] ? description->name : "Unnamed");
    out.Write(" (section ");
    out.Write(FormatInt(section->GetSectionId(), number));
    out.Write(") ---\n");
    const char* text = section->Dump();
    size_t length = text ? std::strlen(text) : 0;
    if (length) {
      out.Write(text, length);
      if (text[length - 1] != '\n') out.Write("\n");
    }
  }
  out.Write("*** End of crash report ***\n");
}

constexpr int kFatalSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

const char* SignalName(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGABRT:
      return "SIGABRT";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    default:
      return "unknown";
  }
}

// Copies `text` into `buffer` (of `size` bytes) from `used` on, as far as it
// fits, keeps the buffer terminated and returns the new length.
size_t AppendText(char* buffer, size_t size, size_t used, const char* text) {
  while (*text && used + 1 < size) buffer[used++] = *text++;
  buffer[used] = '\0';
  return used;
}

// The temporary directory read at installation, ending in '/'; empty when it
// did not fit, and then the report goes to standard error only.
char g_reportDirectory[4096];
const char kReportFilePrefix[] = "ZELCrashReport";
// The thread writing the report, 0 before the first fatal signal.
std::atomic<long> g_reportingThread{0};

// Lets the thread that writes the report finish it: the process ends when it
// does. Gives up after about ten seconds.
void WaitForTheReport() {
  struct timespec pause = {0, 10 * 1000 * 1000};
  for (int i = 0; i < 1000; ++i) nanosleep(&pause, nullptr);
}

void OnFatalSignal(int sig, siginfo_t*, void*) {
  long self = static_cast<long>(syscall(SYS_gettid));
  long writer = 0;
  if (!g_reportingThread.compare_exchange_strong(writer, self)) {
    // A fatal signal of another thread during the report waits for it; one of
    // the reporting thread itself (its Dump crashed) ends the process now.
    if (writer != self) WaitForTheReport();
  } else {
    int savedErrno = errno;
    char number[24];
    DescriptorSink out;
    out.fds[0] = STDERR_FILENO;
    if (g_reportDirectory[0]) {
      char path[sizeof g_reportDirectory + sizeof kReportFilePrefix + 32];
      size_t used = 0;
      for (const char* piece :
           {static_cast<const char*>(g_reportDirectory), kReportFilePrefix, FormatInt(getpid(), number), ".txt"}) {
        used = AppendText(path, sizeof path, used, piece);
      }
      out.fds[1] = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    out.Write("*** ZEL crash report: signal ");
    out.Write(FormatInt(sig, number));
    out.Write(" (");
    out.Write(SignalName(sig));
    out.Write(") in process ");
    out.Write(FormatInt(static_cast<long>(getpid()), number));
    out.Write(" ***\n");
    WriteSections(out);
    if (out.fds[1] >= 0) ::close(out.fds[1]);
    errno = savedErrno;
  }
  // Die as the process would have without the handler: default action, the
  // signal unblocked, raised again.
  struct sigaction fallback;
  std::memset(&fallback, 0, sizeof fallback);
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(sig, &fallback, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, sig);
  pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(sig);
}

// Gives the calling thread an alternate signal stack unless it has one of a
// useful size already (a sanitizer runtime may have installed its own). The
// stack is never freed: the handler may need it until the thread ends.
void EnsureAlternateStack() {
  constexpr size_t kMinimumSize = size_t{32} * 1024;
  constexpr size_t kSize = size_t{64} * 1024;
  stack_t current;
  std::memset(&current, 0, sizeof current);
  if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) && current.ss_size >= kMinimumSize) {
    return;
  }
  void* memory = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t stack;
  std::memset(&stack, 0, sizeof stack);
  stack.ss_sp = memory;
  stack.ss_size = kSize;
  if (sigaltstack(&stack, nullptr) != 0) munmap(memory, kSize);
}

}  // namespace

ZELAbendInfo::ZELAbendInfo(short sectionId) : _sectionId(sectionId) {}

ZELAbendInfo::~ZELAbendInfo() {
  std::lock_guard<std::mutex> guard(RegistryLock());
  int count = g_sectionCount.load();
  for (int i = count - 1; i >= 0; --i) {
    if (g_sections[i].load() == this) RemoveSectionAt(i);
  }
}

char* ZELAbendInfo::Dump() { return nullptr; }

int ZELAbendInfo::SetInformationSpecs(short sectionId, const char* name, int order, int options) {
  if (sectionId == 0) return -1;
  std::lock_guard<std::mutex> guard(RegistryLock());
  SectionDescription* description = const_cast<SectionDescription*>(FindDescription(sectionId));
  if (!description) {
    int count = g_descriptionCount.load();
    if (count == kMaxSections) return -1;
    description = &g_descriptions[count];
    description->id = sectionId;
    description->name[0] = '\0';
    g_descriptionCount.store(count + 1);
  }
  description->order = order;
  description->options = options;
  std::strncpy(description->name, name ? name : "", kNameSize - 1);
  description->name[kNameSize - 1] = '\0';
  return 0;
}

int ZELAbendInfo::SetAbendInfo(ZELAbendInfo* section) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  int count = g_sectionCount.load();
  if (!section) {
    if (count > 0) RemoveSectionAt(count - 1);
    return 0;
  }
  for (int i = count - 1; i >= 0; --i) {
    ZELAbendInfo* registered = g_sections[i].load();
    if (registered == section || registered->GetSectionId() == section->GetSectionId()) RemoveSectionAt(i);
  }
  count = g_sectionCount.load();
  if (count == kMaxSections) return -1;
  g_sections[count].store(section);
  g_sectionCount.store(count + 1);
  return 0;
}

ZELAbendInfo* ZELAbendInfo::GetAbendInfo(short sectionId) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  int count = g_sectionCount.load();
  if (sectionId == 0) return count > 0 ? g_sections[count - 1].load() : nullptr;
  for (int i = count - 1; i >= 0; --i) {
    ZELAbendInfo* registered = g_sections[i].load();
    if (registered->GetSectionId() == sectionId) return registered;
  }
  return nullptr;
}

int ZELAbendInfo::InstallCrashHandler() {
  const char* directory = ZELGetTempDirectory();
  if (std::strlen(directory) < sizeof g_reportDirectory) {
    AppendText(g_reportDirectory, sizeof g_reportDirectory, 0, directory);
  } else {
    g_reportDirectory[0] = '\0';
  }
  EnsureAlternateStack();

  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_sigaction = &OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  int installed = 0;
  for (int sig : kFatalSignals) {
    if (sigaction(sig, &action, nullptr) == 0) installed += IsCrashHandlerInstalled(sig);
  }
  return installed;
}

int ZELAbendInfo::IsCrashHandlerInstalled(int signal) {
  struct sigaction now;
  std::memset(&now, 0, sizeof now);
  if (sigaction(signal, nullptr, &now) != 0) return 0;
  return (now.sa_flags & SA_SIGINFO) && now.sa_sigaction == &OnFatalSignal ? 1 : 0;
}

int ZELAbendInfo::WriteReport(FILE* stream) {
  if (!stream) return -1;
  char number[24];
  StreamSink out(stream);
  out.Write("*** ZEL crash report: on request in process ");
  out.Write(FormatInt(static_cast<long>(getpid()), number));
  out.Write(" ***\n");
  WriteSections(out);
  std::fflush(stream);
  return 0;
}
