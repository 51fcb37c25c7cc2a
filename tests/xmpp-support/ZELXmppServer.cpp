#include "ZELXmppServer.h"

#include "ZELEjabberdServer.h"
#include "ZELProsodyServer.h"

ZELXmppServer::~ZELXmppServer() = default;

std::vector<std::string> ZELXmppServer::Names() { return {"prosody", "ejabberd"}; }

std::unique_ptr<ZELXmppServer> ZELXmppServer::Create(const std::string& name) {
  if (name == "prosody") return std::make_unique<ZELProsodyServer>();
  if (name == "ejabberd") return std::make_unique<ZELEjabberdServer>();
  return nullptr;
}
