#include "ZELXmppServerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace ZELXmppProcess {

namespace {
using Clock = std::chrono::steady_clock;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

int FreePortBesides(const std::vector<int>& taken) {
  for (int tries = 0; tries < 20; ++tries) {
    int port = FreePort();
    if (port != 0 && std::find(taken.begin(), taken.end(), port) == taken.end()) return port;
  }
  return 0;
}

bool PortAccepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool accepted = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return accepted;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath, const SpawnOptions& options) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  // The environment is built before fork: the child may only make async-signal-safe calls.
  std::vector<std::string> entries = options.environment;
  for (char** e = environ; e && *e; ++e) {
    const char* equals = std::strchr(*e, '=');
    size_t nameLength = equals ? static_cast<size_t>(equals - *e) + 1 : std::strlen(*e);
    bool replaced = std::any_of(options.environment.begin(), options.environment.end(),
                                [&](const std::string& mine) { return mine.compare(0, nameLength, *e, nameLength) == 0; });
    if (!replaced) entries.emplace_back(*e);
  }
  std::vector<char*> environment;
  for (const std::string& e : entries) environment.push_back(const_cast<char*>(e.c_str()));
  environment.push_back(nullptr);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid != 0) {
    if (pid > 0 && options.ownProcessGroup) setpgid(pid, pid);  // also here: no race with a kill of the group
    return pid;
  }
  // The child: only async-signal-safe calls from here on.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);  // the parent died before the line above
  if (options.ownProcessGroup) setpgid(0, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  int in = open("/dev/null", O_RDONLY);
  if (out < 0 || in < 0) _exit(127);
  dup2(in, 0);
  dup2(out, 1);
  dup2(out, 2);
  execvpe(args[0], args.data(), environment.data());
  _exit(127);
}

bool WaitFor(pid_t pid, int timeoutMs, int& status) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool Run(const std::vector<std::string>& argv, const std::string& outputPath, const SpawnOptions& options,
         int timeoutMs) {
  pid_t pid = Spawn(argv, outputPath, options);
  if (pid < 0) return false;
  int status = 0;
  if (!WaitFor(pid, timeoutMs, status)) {
    kill(options.ownProcessGroup ? -pid : pid, SIGKILL);
    waitpid(pid, &status, 0);
    return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Terminate(pid_t pid, int signal, int timeoutMs, bool group) {
  if (pid <= 0) return;
  int status = 0;
  bool ended = false;
  if (signal != 0) {
    kill(pid, signal);
    ended = WaitFor(pid, timeoutMs, status);
  }
  if (group) kill(-pid, SIGKILL);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
}

std::string MakeFolder(const std::string& prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = tmp && *tmp ? tmp : "/tmp";
  while (pattern.size() > 1 && pattern.back() == '/') pattern.pop_back();
  pattern += "/" + prefix + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!mkdtemp(name.data())) return std::string();
  return name.data();
}

bool MakeCertificates(const std::string& folder, Certificates& out, std::string& error) {
  out.caFile = folder + "/ca.crt";
  out.key = folder + "/localhost.key";
  out.certificate = folder + "/localhost.crt";
  std::string caKey = folder + "/ca.key", request = folder + "/localhost.csr";
  std::string extensions = folder + "/localhost.ext", log = folder + "/openssl.log";
  std::vector<std::string> ecKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
  std::vector<std::string> ca = {"openssl", "req", "-x509"};
  ca.insert(ca.end(), ecKey.begin(), ecKey.end());
  ca.insert(ca.end(), {"-keyout", caKey, "-out", out.caFile, "-days", "2", "-subj", "/CN=ZEL throwaway test CA",
                       "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"});
  std::vector<std::string> csr = {"openssl", "req", "-new"};
  csr.insert(csr.end(), ecKey.begin(), ecKey.end());
  csr.insert(csr.end(), {"-keyout", out.key, "-out", request, "-subj", "/CN=localhost"});
  std::vector<std::string> sign = {"openssl", "x509", "-req", "-in", request, "-CA", out.caFile, "-CAkey", caKey,
                                   "-CAcreateserial", "-out", out.certificate, "-days", "2", "-extfile", extensions};
  if (!WriteText(extensions,
                 "subjectAltName = DNS:localhost, IP:127.0.0.1\nbasicConstraints = CA:FALSE\n"
                 "keyUsage = digitalSignature, keyAgreement\nextendedKeyUsage = serverAuth\n") ||
      !Run(ca, log) || !Run(csr, log) || !Run(sign, log)) {
    error = "openssl could not make the certificates: " + ReadText(log);
    return false;
  }
  return true;
}

}  // namespace ZELXmppProcess
