#include "ZELXmppRawClient.h"

struct ZELXmppRawClient::State {};
ZELXmppRawClient::ZELXmppRawClient() : _state(new State) {}
ZELXmppRawClient::~ZELXmppRawClient() { Disconnect(); }
bool ZELXmppRawClient::Connect(const ZELProsodyServer&, const std::string&, const std::string&, int) { return false; }
bool ZELXmppRawClient::SendRaw(const std::string&) { return false; }
bool ZELXmppRawClient::SendPresence() { return false; }
bool ZELXmppRawClient::SendMessage(const std::string&, const std::string&) { return false; }
bool ZELXmppRawClient::WaitForMessages(size_t, int) { return false; }
std::vector<std::string> ZELXmppRawClient::Messages() const { return {}; }
bool ZELXmppRawClient::Connected() const { return false; }
std::string ZELXmppRawClient::Jid() const { return std::string(); }
std::string ZELXmppRawClient::Error() const { return std::string(); }
void ZELXmppRawClient::Disconnect() {}
