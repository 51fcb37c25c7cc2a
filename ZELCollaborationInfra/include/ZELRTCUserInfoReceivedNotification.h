// ZELRTCUserInfoReceivedNotification: the directory information of one user:
// name, title, telephone, mail address and, when present, a photo.
//
// Build layout (any version, exactly 7 parameters):
//   0 user (user), 1 name, 2 title, 3 telephone, 4 mail address (strings),
//   5 whether a photo follows (boolean), 6 photo (byte array), read only when
//   position 5 is true; otherwise it is not looked at and the photo is kept.
// The entry line of its traced Build shows the count.
//
// Ownership: the notification holds one reference to its user, taken by Build
// and given back by the destructor; a copy takes a reference of its own, an
// assignment takes the new one before giving back the old one. A second Build
// that reaches position 0 gives back the user held before, so nothing leaks.
// GetUser hands the caller a reference of its own. The photo's bytes stay
// owned by the notification: GetPhoto's pointer is valid while it lives and
// is neither rebuilt nor assigned.
#pragma once

#include "ZELBinary.h"
#include "ZELIRTCUser.h"
#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCUserInfoReceivedNotification : public ZELRTCNotification {
  ZEL_RTC_NOTIFICATION_MEMBERS(ZELRTCUserInfoReceivedNotification)

 public:
  ZELRTCUserInfoReceivedNotification() = default;
  ZELRTCUserInfoReceivedNotification(const ZELRTCUserInfoReceivedNotification&) = default;
  ZELRTCUserInfoReceivedNotification& operator=(const ZELRTCUserInfoReceivedNotification&) = default;
  ~ZELRTCUserInfoReceivedNotification() override;

  // The user with a reference for the caller, or null.
  ZELIRTCUser* GetUser() { return _user.GetWithRef(); }
  ZELUnicodeString GetName() { return _name; }
  ZELUnicodeString GetTitle() { return _title; }
  ZELUnicodeString GetTelephone() { return _telephone; }
  ZELUnicodeString GetMailAdress() { return _mailAdress; }
  // The photo's bytes inside the notification (null when empty); oLength
  // receives their number.
  const char* GetPhoto(int& oLength) {
    oLength = static_cast<int>(_photo.getLength());
    return _photo.getArray();
  }

 private:
  ZELRTCInterfaceRef<ZELIRTCUser> _user;
  ZELUnicodeString _name;
  ZELUnicodeString _title;
  ZELUnicodeString _telephone;
  ZELUnicodeString _mailAdress;
  ZELBinary _photo;
};

ZEL_RTC_NOTIFICATION_FACTORY(ZELRTCUserInfoReceivedNotification)
