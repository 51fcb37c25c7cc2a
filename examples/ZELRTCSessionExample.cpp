// A collaboration client obtains main sessions through the session manager,
// lists the open ones, looks one up and closes it.
//
//   ZELRTCSessionExample            sessions of the UCCP and Lync drivers
//   ZELMSLive=1 ZELRTCSessionExample   every session becomes an MSLive one
//
// The session component library (libZELRTCMsgLayer.so) is found next to the
// platform libraries, or in a folder named by "ZELComponentPath".
#include <cstdio>

#include "ZELAbendInfo.h"
#include "ZELCollabAbendInfo.h"
#include "ZELRTCEnvironment.h"
#include "ZELRTCMainSessionManager.h"
#include "ZELRTCUtilities.h"

namespace {

void Show(const char* what, HRESULT hr, ZELIRTCMainSession* session) {
  if (session) {
    std::printf("%s: hr=0x%X session %d, driver %d\n", what, static_cast<unsigned>(hr), session->GetSessionId(),
                static_cast<int>(session->GetDriver()));
  } else {
    std::printf("%s: hr=0x%X, no session\n", what, static_cast<unsigned>(hr));
  }
}

}  // namespace

int main() {
  // A crash would write a report with the collaboration section.
  ZELAbendInfo::InstallCrashHandler();
  ZELCollabAbendInfo* section = ZELCollabAbendInfo::GetLastCollabAbendInfo();
  section->SetDriverName("UCCP");
  section->SetLastCall("ZELRTCMainSessionManager::GetSingleSession");
  ZELAbendInfo::SetAbendInfo(section);

  std::printf("MSLive process: %d, in process: %d\n", ZELRTCEnvironment::IsMSLiveDriver(),
              ZELRTCEnvironment::IsInProcess());

  // Every session handed out carries one reference that the client gives back.
  ZELIRTCMainSession* uccp = nullptr;
  HRESULT hr = ZELRTCMainSessionManager::GetSingleSession(ZelRTCUCCPDriver, uccp);
  Show("GetSingleSession(UCCP)", hr, uccp);
  if (!uccp) return 1;

  ZELIRTCMainSession* again = nullptr;
  hr = ZELRTCMainSessionManager::GetSingleSession(ZelRTCUCCPDriver, again);
  Show("GetSingleSession(UCCP) again", hr, again);
  std::printf("same session: %s\n", again == uccp ? "yes" : "no");
  if (again) again->Release();

  ZELIRTCMainSession* lync = nullptr;
  hr = ZELRTCMainSessionManager::CreateSession(ZelRTCLyncDriver, lync);
  Show("CreateSession(Lync)", hr, lync);

  ZELListPtrZELIRTCMainSession open;
  ZELRTCMainSessionManager::GetOpenSessions(open);
  std::printf("open sessions: %d\n", open.Size());
  for (int position = 1; position <= open.Size(); ++position) Show("  open", S_OK, open[position]);
  ZELRTCUtilities::Release(open);

  int id = uccp->GetSessionId();
  std::printf("RemoveSession(%d): hr=0x%X\n", id, static_cast<unsigned>(ZELRTCMainSessionManager::RemoveSession(id)));
  std::printf("RemoveSession(%d) again: hr=0x%X\n", id,
              static_cast<unsigned>(ZELRTCMainSessionManager::RemoveSession(id)));
  ZELIRTCMainSession* found = nullptr;
  hr = ZELRTCMainSessionManager::GetSession(id, found);
  Show("GetSession(removed)", hr, found);

  ZELRTCMainSessionManager::GetOpenSessions(open);
  std::printf("open sessions: %d\n", open.Size());
  ZELRTCUtilities::Release(open);

  uccp->Release();
  if (lync) lync->Release();
  // The Lync session is still registered: the manager gives it back at exit.
  return 0;
}
