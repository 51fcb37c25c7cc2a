#include "ZELProsodyServer.h"

ZELProsodyServer::ZELProsodyServer() = default;
ZELProsodyServer::~ZELProsodyServer() { Stop(); }
bool ZELProsodyServer::Start(const Options&) { return _Fail("not implemented yet"); }
bool ZELProsodyServer::Start() { return Start(Options()); }
bool ZELProsodyServer::Register(const std::string&, const std::string&) { return false; }
void ZELProsodyServer::Stop() {}
void ZELProsodyServer::Kill() {}
bool ZELProsodyServer::Restart() { return false; }
std::string ZELProsodyServer::Log() const { return std::string(); }
bool ZELProsodyServer::_Launch() { return false; }
bool ZELProsodyServer::_Fail(const std::string& error) { return _error = error, false; }
