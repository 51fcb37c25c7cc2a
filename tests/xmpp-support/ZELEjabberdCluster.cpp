#include "ZELEjabberdCluster.h"

#include <signal.h>

#include <filesystem>
#include <random>
#include <sstream>

using namespace ZELXmppProcess;

namespace {
const int kStartTimeoutMs = 30000;
const int kJoinTimeoutMs = 30000;
const int kStopTimeoutMs = 10000;
}  // namespace

ZELEjabberdCluster::ZELEjabberdCluster() = default;

ZELEjabberdCluster::~ZELEjabberdCluster() {
  Stop();
  _nodes.clear();  // their folders are inside the cluster's
  Terminate(_epmdPid, SIGTERM, kStopTimeoutMs, false);
  _epmdPid = -1;
  if (!_folder.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(_folder, ignored);
  }
}

bool ZELEjabberdCluster::Start(const ZELXmppServerOptions& options, size_t nodes, bool join) {
  if (!_folder.empty()) return _Fail("Start is called once per cluster");
  if (nodes < 2) return _Fail("a cluster has two nodes or more");
  _folder = MakeFolder("ZELEjabberdCluster");
  if (_folder.empty()) return _Fail("cannot create a temporary folder");
  std::string certs = _folder + "/certs", failure;
  std::error_code error;
  std::filesystem::create_directories(certs, error);
  if (error) return _Fail("cannot create " + certs);
  if (!MakeCertificates(certs, _shared.certificates, failure)) return _Fail(failure);
  // Random enough for a loopback cluster that lives for one test.
  std::ostringstream cookie;
  cookie << "ZELCLUSTER" << std::hex << std::random_device()() << std::random_device()();
  _shared.cookie = cookie.str();
  _epmdPid = ZELEjabberdServer::_StartEpmd(_folder + "/epmd.out", _shared.epmdPort);
  if (_epmdPid < 0) return _Fail("epmd did not start (is erlang installed?): " + ReadText(_folder + "/epmd.out"));

  // The nodes start side by side: together they take about as long as one.
  for (size_t i = 0; i < nodes; ++i) {
    _nodes.push_back(std::make_unique<ZELEjabberdServer>());
    ZELEjabberdServer& node = *_nodes.back();
    std::string name = "ejabberd" + std::to_string(i + 1);
    if (!node._Prepare(options, _folder + "/" + name, name + "@localhost", _shared) || !node._Spawn()) {
      failure = node.Error();
      Stop();
      return _Fail(name + ": " + failure);
    }
  }
  for (auto& node : _nodes) {
    if (!node->_WaitUntilReady(kStartTimeoutMs)) {
      failure = node->NodeName() + ": " + node->Error();
      Stop();
      return _Fail(failure);
    }
  }
  if (!join) return true;
  // join_cluster restarts ejabberd on the joining node: it is ready again when its listener says so anew.
  for (size_t i = 1; i < nodes; ++i) {
    ZELEjabberdServer& node = *_nodes[i];
    node._logOffset = ReadText(node.Folder() + "/logs/ejabberd.log").size();
    if (!node.Control({"join_cluster", _nodes[0]->NodeName()})) {
      failure = node.NodeName() + " did not join " + _nodes[0]->NodeName() + ": " + node.Error();
      Stop();
      return _Fail(failure);
    }
    if (!node._WaitUntilReady(kJoinTimeoutMs)) {
      failure = node.NodeName() + " after join_cluster: " + node.Error();
      Stop();
      return _Fail(failure);
    }
  }
  return true;
}

bool ZELEjabberdCluster::Register(const std::string& user, const std::string& password) {
  for (auto& node : _nodes) {
    if (node->Pid() > 0) {
      if (node->Register(user, password)) return true;
      return _Fail(node->Error());
    }
  }
  return _Fail("no node runs");
}

void ZELEjabberdCluster::Kill(size_t i) {
  if (i < _nodes.size()) _nodes[i]->Kill();
}

void ZELEjabberdCluster::Stop() {
  // The joined nodes first, the first node last.
  for (size_t i = _nodes.size(); i-- > 0;) _nodes[i]->Stop();
}

std::vector<std::string> ZELEjabberdCluster::Members(size_t i) {
  std::vector<std::string> members;
  std::string output;
  if (i >= _nodes.size() || !_nodes[i]->Control({"list_cluster"}, &output)) return members;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) members.push_back(line);
  return members;
}

std::string ZELEjabberdCluster::Log() const {
  std::string text;
  for (const auto& node : _nodes) text += "=== " + node->NodeName() + "\n" + node->Log();
  return text;
}

bool ZELEjabberdCluster::_Fail(const std::string& error) {
  _error = error;
  return false;
}
