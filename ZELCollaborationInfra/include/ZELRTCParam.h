// ZELRTCParam: one tagged value of the parameter array from which a driver
// builds a notification.
//
// A parameter owns what it carries: strings, byte arrays, string vectors and
// integer lists are copied into storage of its own; an interface pointer gets
// one AddRef, and each element of an interface list one AddRef (null elements
// are left out). All of it is given back when the parameter is destroyed.
//
// Copying a parameter (copy construction or assignment) copies the kind and
// the value field as they stand: both then designate the same storage, and
// only one of them may be destroyed. Make a new parameter from the value
// instead.
//
// Booleans are `unsigned char`: pass (unsigned char)1, not `true`, which
// would select the int constructor.
//
// ToString and ParamsToString render parameters for the trace file; they take
// no reference on the users and groups they render.
#pragma once

#include "ZELBinary.h"
#include "ZELIRTCGroup.h"
#include "ZELIRTCUser.h"
#include "ZELListPtrZELIRTCGroup.h"
#include "ZELListPtrZELIRTCUser.h"
#include "ZELListValZELUnicodeString.h"
#include "ZELRTCItfExport.h"
#include "ZELRawCollint.h"
#include "ZELSysTSUnicodeString.h"
#include "ZELSysTSVectorOfUnicodeString.h"
#include "ZELUnicodeString.h"

class ZELRTCITF_API ZELRTCParam {
 public:
  enum ParamKind : int {
    BoolKind = 0,
    IntKind = 1,
    DoubleKind = 2,
    ByteArrayKind = 3,
    UnicodeStringKind = 4,
    StringVectorKind = 5,
    UserKind = 6,
    UserListKind = 7,
    GroupKind = 8,
    GroupListKind = 9,
    IntListKind = 10
  };

  explicit ZELRTCParam(unsigned char value);
  explicit ZELRTCParam(int value);
  explicit ZELRTCParam(double value);
  explicit ZELRTCParam(ZELBinary& value);
  // Absent (no storage) when `length` is below 1.
  ZELRTCParam(const char* bytes, int length);
  explicit ZELRTCParam(const ZELUnicodeString& value);
  explicit ZELRTCParam(const ZELSysTSUnicodeString& value);
  explicit ZELRTCParam(const ZELSysTSVectorOfUnicodeString& value);
  explicit ZELRTCParam(const ZELListValZELUnicodeString& value);
  explicit ZELRTCParam(ZELIRTCUser* user);
  explicit ZELRTCParam(const ZELListPtrZELIRTCUser& users);
  explicit ZELRTCParam(ZELIRTCGroup* group);
  explicit ZELRTCParam(const ZELListPtrZELIRTCGroup& groups);
  explicit ZELRTCParam(const ZELRawCollint& values);
  ~ZELRTCParam();

  // Shallow: see the class comment.
  ZELRTCParam(const ZELRTCParam& other) = default;
  ZELRTCParam& operator=(const ZELRTCParam& other);

  ParamKind GetType() const { return _kind; }

  // Plain getters: the value of their own kind; 0, 0.0, null or an empty
  // string for any other kind or an absent value.
  unsigned char GetBoolValue() const;
  int GetIntValue() const;
  double GetDoubleValue() const;
  // The parameter's own bytes, valid while it lives; oLength receives the count.
  const char* GetByteArrayValue(int& oLength) const;
  ZELUnicodeString GetUnicodeStringValue() const;
  ZELSysTSUnicodeString GetThrUnicodeStringValue() const;
  // With one AddRef for the caller.
  ZELIRTCUser* GetUserValue() const;
  ZELIRTCGroup* GetGroupValue() const;

  // Readers: 1 on success, 0 on failure. Each accepts its own kind only, with
  // these exceptions: the user and group readers, and the string reader,
  // accept a parameter of another kind whose value is empty (false, 0 or
  // absent), giving null or the empty string; the string-list reader also
  // reads a single string as a list of one. The boolean reader traces a
  // warning on another kind. The list readers empty their output first.
  unsigned char GetValue(unsigned char& oValue) const;
  unsigned char GetValue(int& oValue) const;
  unsigned char GetValue(double& oValue) const;
  unsigned char GetValue(ZELIRTCUser*& oUser) const;    // with one AddRef
  unsigned char GetValue(ZELIRTCGroup*& oGroup) const;  // with one AddRef
  unsigned char GetValue(ZELBinary& oValue) const;
  unsigned char GetValue(ZELListPtrZELIRTCUser& oUsers) const;    // releases oUsers' elements first
  unsigned char GetValue(ZELListPtrZELIRTCGroup& oGroups) const;  // releases oGroups' elements first
  unsigned char GetValue(ZELListValZELUnicodeString& oValues) const;
  unsigned char GetValue(ZELRawCollint& oValues) const;
  unsigned char GetValue(ZELSysTSVectorOfUnicodeString& oValues) const;
  unsigned char GetValue(ZELUnicodeString& oValue) const;

  // The text of this parameter: "true"/"false", the number, a quoted string,
  // "{...}" for the vectors and lists, "User(...)" or "Group(...)", "null"
  // for an absent value.
  ZELUnicodeString ToString() const;
  // The text of a parameter array: "[p0=...; p1=...]". Each entry longer than
  // its kind's limit (1024 characters for user and group lists, 512 for string
  // vectors, 128 otherwise) is cut to its first 31 characters followed by
  // "...(<full length>)". With selector 1 and name "Login", entry 3 is shown
  // as asterisks between quotes. A null array gives "[]".
  static ZELUnicodeString ParamsToString(int selector, const char* name, ZELRTCParam** params, unsigned int count);

 protected:
  // "User(<id>[; name=<name>][; dn=<dn>][; <status>])", or "null".
  static ZELUnicodeString UserToString(ZELIRTCUser* user);
  // "Group(<id>[; name=<name>][; public][; expanded]; {<users>})", or "null";
  // writes one informational line on the infrastructure channel.
  static ZELUnicodeString GroupToString(ZELIRTCGroup* group);
  // "{<user>; <user>...}" (a null element leaves its place empty), or "null".
  static ZELUnicodeString ListOfUserToString(ZELListPtrZELIRTCUser* users);

 private:
  void _ReleaseData();
  // True for a false boolean, a zero integer or an absent value.
  bool _IsEmpty() const;

  union Value {
    unsigned char b;
    int i;
    double* d;
    ZELBinary* bytes;
    ZELUnicodeString* string;
    ZELSysTSVectorOfUnicodeString* vector;
    ZELIRTCUser* user;
    ZELListPtrZELIRTCUser* users;
    ZELIRTCGroup* group;
    ZELListPtrZELIRTCGroup* groups;
    ZELRawCollint* ints;
    void* pointer;
  };
  Value _value;
  ParamKind _kind;
};

// The text of a presence state: "Active", "Away", "DND", "Idle", "OnThePhone",
// "Offline", "Unknown"; the empty string for any other value. A constant
// string, never to be freed.
ZELRTCITF_API const char* ZELRTCUserStatusToStr(ZelRTCUserStatus status);
