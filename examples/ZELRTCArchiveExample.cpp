// A driver and a client in one program.
//
// The driver creates a notification by class name through the class
// dictionary, fills it from an array of parameters and hands it over; the
// client reads it through its getters. Run it with tracing switched on to see
// the Build scope in the trace file:
//
//   ZELRTCInfraTrace=1 build/default/bin/ZELRTCArchiveExample
#include <cstdio>
#include <memory>

#include "ZELAbendInfo.h"
#include "ZELCollabAbendInfo.h"
#include "ZELRTCArchiveReceivedNotification.h"
#include "ZELRTCNotificationBuilder.h"
#include "ZELRTCParam.h"
#include "ZELRTCTrace.h"

namespace {

// The driver's side: a message archive arrived from the server.
ZELRTCNotification* DriverReceivesArchive() {
  ZELRTCNotification* notification = ZELRTCNotificationBuilder::Create("ZELRTCArchiveReceivedNotification");
  if (!notification) return nullptr;

  ZELListValZELUnicodeString messages, speakers;
  messages.Append("Hello, the build is green.");
  speakers.Append("alice@example.com");
  messages.Append("Great, shipping it.");
  speakers.Append("bob@example.com");

  ZELRTCParam partnerId{ZELUnicodeString("alice@example.com")};
  ZELRTCParam partnerName{ZELUnicodeString("Alice Martin")};
  ZELRTCParam archive{messages};
  ZELRTCParam archiveSpeakers{speakers};
  ZELRTCParam* params[] = {&partnerId, &partnerName, &archive, &archiveSpeakers};

  HRESULT hr = ZELRTCNotificationBuilder::Build(notification, params, 4, 2);
  std::printf("driver: Build returned 0x%X\n", static_cast<unsigned int>(hr));

  // A malformed array is refused, never a crash.
  ZELRTCParam* tooShort[] = {&partnerId};
  std::printf("driver: Build of one parameter returned 0x%X\n",
              static_cast<unsigned int>(ZELRTCNotificationBuilder::Build(notification, tooShort, 1, 2)));
  ZELRTCNotificationBuilder::Build(notification, params, 4, 2);
  return notification;
}

// The client's side.
void ClientReads(ZELRTCNotification* notification) {
  if (!notification->IsAKindOf("ZELRTCArchiveReceivedNotification")) return;
  auto* archive = static_cast<ZELRTCArchiveReceivedNotification*>(notification);
  std::printf("client: archive with %s (%s)\n", archive->GetPartnerId().ConvertToChar(),
              archive->GetPartnerName().ConvertToChar());
  ZELListValZELUnicodeString messages = archive->GetListOfMsgArchive();
  ZELListValZELUnicodeString speakers = archive->GetListOfAssociatedSpeakerMsgArchive();
  for (int i = 1; i <= messages.Size(); ++i) {
    std::printf("client:   %s: %s\n", speakers[i].ConvertToChar(), messages[i].ConvertToChar());
  }
}

}  // namespace

int main() {
  // A crash would write a report with the collaboration section to standard
  // error and to ZELCrashReport<pid>.txt in the temporary directory.
  ZELAbendInfo::InstallCrashHandler();
  ZELCollabAbendInfo* section = ZELCollabAbendInfo::GetLastCollabAbendInfo();
  section->SetDriverName("XMPPJava");
  section->SetProtocol("XMPP");
  ZELAbendInfo::SetAbendInfo(section);

  section->SetLastCall("DriverReceivesArchive");
  ZELRTCNotification* notification = DriverReceivesArchive();
  section->SetLastNotif("ZELRTCArchiveReceivedNotification");
  if (!notification) {
    std::printf("the class dictionary does not know the archive notification\n");
    return 1;
  }
  ClientReads(notification);
  notification->Release();
  if (!ZELRTCTrace::GetActiveTraces()) std::printf("(set ZELRTCInfraTrace=1 to write the trace file)\n");
  std::printf("the crash report would read:\n");
  ZELAbendInfo::WriteReport(stdout);
  return 0;
}
