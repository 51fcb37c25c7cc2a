// ZELRTCParam: construction, ownership and the readers.
#include "ZELRTCParam.h"

#include <new>

#include "KLV.h"
#include "ZELRTCTrace.h"
#include "ZELRTCUtilities.h"

namespace {

// Makes a list of type L holding a reference of its own on every non-null
// element of `source`; null when memory runs out.
template <class L>
L* NewOwnedCopy(const L& source) {
  L* list = new (std::nothrow) L(0);
  if (list) ZELRTCUtilities::Copy(source, *list);
  return list;
}

}  // namespace

ZELRTCParam::ZELRTCParam(unsigned char value) : _kind(BoolKind) {
  _value.pointer = nullptr;
  _value.b = value;
}

ZELRTCParam::ZELRTCParam(int value) : _kind(IntKind) {
  _value.pointer = nullptr;
  _value.i = value;
}

ZELRTCParam::ZELRTCParam(double value) : _kind(DoubleKind) { _value.d = new (std::nothrow) double(value); }

ZELRTCParam::ZELRTCParam(ZELBinary& value) : _kind(ByteArrayKind) {
  _value.bytes = new (std::nothrow) ZELBinary(value);
}

ZELRTCParam::ZELRTCParam(const char* bytes, int length) : _kind(ByteArrayKind) {
  _value.bytes = length < 1 ? nullptr : new (std::nothrow) ZELBinary(static_cast<unsigned int>(length), bytes);
}

ZELRTCParam::ZELRTCParam(const ZELUnicodeString& value) : _kind(UnicodeStringKind) {
  _value.string = new (std::nothrow) ZELUnicodeString(value);
}

ZELRTCParam::ZELRTCParam(const ZELSysTSUnicodeString& value) : _kind(UnicodeStringKind) {
  _value.string = new (std::nothrow) ZELUnicodeString();
  if (_value.string) KLV::Copy(value, *_value.string);
}

ZELRTCParam::ZELRTCParam(const ZELSysTSVectorOfUnicodeString& value) : _kind(StringVectorKind) {
  _value.vector = new (std::nothrow) ZELSysTSVectorOfUnicodeString(value);
}

ZELRTCParam::ZELRTCParam(const ZELListValZELUnicodeString& value) : _kind(StringVectorKind) {
  _value.vector = new (std::nothrow) ZELSysTSVectorOfUnicodeString();
  if (!_value.vector) return;
  _value.vector->SetCapacity(value.Size());
  for (int position = 1; position <= value.Size(); ++position) {
    ZELUnicodeString element = value[position];
    _value.vector->PutBack(ZELSysTSUnicodeString(element.ConvertToUCChar(), element.GetLengthInChar()));
  }
}

ZELRTCParam::ZELRTCParam(ZELIRTCUser* user) : _kind(UserKind) {
  _value.user = user;
  if (user) user->AddRef();
}

ZELRTCParam::ZELRTCParam(const ZELListPtrZELIRTCUser& users) : _kind(UserListKind) {
  _value.users = NewOwnedCopy(users);
}

ZELRTCParam::ZELRTCParam(ZELIRTCGroup* group) : _kind(GroupKind) {
  _value.group = group;
  if (group) group->AddRef();
}

ZELRTCParam::ZELRTCParam(const ZELListPtrZELIRTCGroup& groups) : _kind(GroupListKind) {
  _value.groups = NewOwnedCopy(groups);
}

ZELRTCParam::ZELRTCParam(const ZELRawCollint& values) : _kind(IntListKind) {
  _value.ints = new (std::nothrow) ZELRawCollint(values.Size());
  if (!_value.ints) return;
  for (int position = 1; position <= values.Size(); ++position) _value.ints->Append(values[position]);
}

ZELRTCParam::~ZELRTCParam() { _ReleaseData(); }

ZELRTCParam& ZELRTCParam::operator=(const ZELRTCParam& other) {
  _value = other._value;
  _kind = other._kind;
  return *this;
}

void ZELRTCParam::_ReleaseData() {
  switch (_kind) {
    case BoolKind:
    case IntKind:
      return;
    case DoubleKind:
      delete _value.d;
      break;
    case ByteArrayKind:
      delete _value.bytes;
      break;
    case UnicodeStringKind:
      delete _value.string;
      break;
    case StringVectorKind:
      delete _value.vector;
      break;
    case IntListKind:
      delete _value.ints;
      break;
    case UserKind:
      if (_value.user) _value.user->Release();
      break;
    case GroupKind:
      if (_value.group) _value.group->Release();
      break;
    case UserListKind:
      if (_value.users) {
        ZELRTCUtilities::Release(*_value.users);
        delete _value.users;
      }
      break;
    case GroupListKind:
      if (_value.groups) {
        ZELRTCUtilities::Release(*_value.groups);
        delete _value.groups;
      }
      break;
    default:
      return;
  }
  _value.pointer = nullptr;
}

bool ZELRTCParam::_IsEmpty() const {
  switch (_kind) {
    case BoolKind:
      return _value.b == 0;
    case IntKind:
      return _value.i == 0;
    default:
      return _value.pointer == nullptr;
  }
}

// Plain getters.

unsigned char ZELRTCParam::GetBoolValue() const { return _kind == BoolKind ? _value.b : 0; }
int ZELRTCParam::GetIntValue() const { return _kind == IntKind ? _value.i : 0; }
double ZELRTCParam::GetDoubleValue() const { return _kind == DoubleKind && _value.d ? *_value.d : 0.0; }

const char* ZELRTCParam::GetByteArrayValue(int& oLength) const {
  if (_kind != ByteArrayKind || !_value.bytes) {
    oLength = 0;
    return nullptr;
  }
  oLength = static_cast<int>(_value.bytes->getLength());
  return _value.bytes->getArray();
}

ZELUnicodeString ZELRTCParam::GetUnicodeStringValue() const {
  return _kind == UnicodeStringKind && _value.string ? *_value.string : ZELUnicodeString();
}

ZELSysTSUnicodeString ZELRTCParam::GetThrUnicodeStringValue() const {
  ZELSysTSUnicodeString result;
  KLV::Copy(GetUnicodeStringValue(), result);
  return result;
}

ZELIRTCUser* ZELRTCParam::GetUserValue() const {
  if (_kind != UserKind) return nullptr;
  if (_value.user) _value.user->AddRef();
  return _value.user;
}

ZELIRTCGroup* ZELRTCParam::GetGroupValue() const {
  if (_kind != GroupKind) return nullptr;
  if (_value.group) _value.group->AddRef();
  return _value.group;
}

// Readers.

unsigned char ZELRTCParam::GetValue(unsigned char& oValue) const {
  if (_kind != BoolKind) {
    ZELRTCTrace::Trace(ZelRTCInfraTrace, ZelRTCSeverityWarning, "Wrong value type : not a boolean");
    return 0;
  }
  oValue = _value.b;
  return 1;
}

unsigned char ZELRTCParam::GetValue(int& oValue) const {
  if (_kind != IntKind) return 0;
  oValue = _value.i;
  return 1;
}

unsigned char ZELRTCParam::GetValue(double& oValue) const {
  if (_kind != DoubleKind || !_value.d) return 0;
  oValue = *_value.d;
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELIRTCUser*& oUser) const {
  if (_kind != UserKind) {
    oUser = nullptr;
    return _IsEmpty() ? 1 : 0;
  }
  oUser = _value.user;
  if (oUser) oUser->AddRef();
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELIRTCGroup*& oGroup) const {
  if (_kind != GroupKind) {
    oGroup = nullptr;
    return _IsEmpty() ? 1 : 0;
  }
  oGroup = _value.group;
  if (oGroup) oGroup->AddRef();
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELBinary& oValue) const {
  if (_kind != ByteArrayKind) return 0;
  if (_value.bytes) oValue = *_value.bytes;
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELListPtrZELIRTCUser& oUsers) const {
  if (_kind != UserListKind) return 0;
  if (_value.users) {
    ZELRTCUtilities::Copy(*_value.users, oUsers);
  } else {
    ZELRTCUtilities::Release(oUsers);
  }
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELListPtrZELIRTCGroup& oGroups) const {
  if (_kind != GroupListKind) return 0;
  if (_value.groups) {
    ZELRTCUtilities::Copy(*_value.groups, oGroups);
  } else {
    ZELRTCUtilities::Release(oGroups);
  }
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELListValZELUnicodeString& oValues) const {
  oValues.RemoveAll(ZELCollec::FreeMemory);
  if (_kind == StringVectorKind) {
    if (_value.vector) {
      for (int index = 0; index < _value.vector->GetLength(); ++index) {
        ZELSysTSUnicodeString element;
        _value.vector->Get(index, element);
        ZELUnicodeString copy;
        KLV::Copy(element, copy);
        oValues.Append(copy);
      }
    }
    return 1;
  }
  if (_kind == UnicodeStringKind && _value.string) {
    oValues.Append(*_value.string);
    return 1;
  }
  return 0;
}

unsigned char ZELRTCParam::GetValue(ZELRawCollint& oValues) const {
  oValues.RemoveAll(ZELCollec::FreeMemory);
  if (_kind != IntListKind) return 0;
  if (_value.ints) {
    for (int position = 1; position <= _value.ints->Size(); ++position) oValues.Append((*_value.ints)[position]);
  }
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELSysTSVectorOfUnicodeString& oValues) const {
  oValues.Clear();
  if (_kind != StringVectorKind) return 0;
  if (_value.vector) oValues = *_value.vector;
  return 1;
}

unsigned char ZELRTCParam::GetValue(ZELUnicodeString& oValue) const {
  if (_kind == UnicodeStringKind) {
    if (_value.string) {
      oValue = *_value.string;  // reuses the capacity oValue already has
    } else {
      oValue = ZELUnicodeString();
    }
    return 1;
  }
  if (_IsEmpty()) {
    oValue = ZELUnicodeString();
    return 1;
  }
  return 0;
}
