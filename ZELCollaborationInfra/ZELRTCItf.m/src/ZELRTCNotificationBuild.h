// The build contract shared by every notification class.
//
// A class describes its Build once, as constant data: the method name and exit
// line of its traced scope, and one or more layouts, each a range of accepted
// counts and versions with the field that each position fills. One runner,
// ZELRTCBuildRunner<C>, does the rest for every class; it is instantiated from the
// class's declaration, so the walk over its positions is unrolled and each
// reader is called directly:
//
//   1. opens the traced scope "<Class>::Build" (with "%d" and the count when
//      the contract asks for it) and runs the class's open hook, if any;
//   2. starts from E_FAIL;
//   3. stops at a null array;
//   4. stops when no layout accepts the count and the version;
//   5. reads the positions in order, stopping at a null element or a refused
//      reader; fields already filled keep their values; then reads the
//      optional positions whatever happened;
//   6. after a complete walk: S_OK, or what the class's finish hook returns;
//   7. exits the scope with the exit line and the result.
//
//   template <>
//   struct ZELRTCBuildDeclaration<ZELRTCFooNotification> {
//     using Self = ZELRTCFooNotification;
//     static constexpr ZELRTCBuildPosition kPositions[] = {ZEL_RTC_FIELD(_id, GetId), ZEL_RTC_FIELD(_code, GetCode)};
//     static constexpr ZELRTCBuildLayout kLayouts[] = {ZELRTCPositions(kPositions)};
//     static constexpr ZELRTCBuildContract kContract{"ZELRTCFooNotification::Build", 42, kLayouts};
//   };
//   ZEL_RTC_BUILD_FROM_DECLARATION(ZELRTCFooNotification)
#pragma once

#include <climits>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "ZELRTCInterfaceHolders.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationClasses.h"
#include "ZELRTCParam.h"
#include "ZELRTCTracedMethod.h"

// How the runner treats a position.
enum ZELRTCPositionUse : unsigned char {
  ZELRTCRequired = 0,        // must be present and read
  ZELRTCResultIgnored = 1,   // must be present; a refused read does not stop the walk
  ZELRTCOptional = 2,        // read after the walk, when present; never changes the result
  ZELRTCWhenPreviousSet = 3  // read by a hook only when the position before it is a true boolean
};

struct ZELRTCBuildPosition {
  unsigned char (*read)(const ZELRTCParam& param, ZELRTCNotification& self);
  ZELRTCPositionUse use;
  // What the position is, for ZELRTCNotificationContract (see ZELRTCDescribed):
  int kind = -1;                                           // the ZELRTCParam::ParamKind its reader expects
  const char* field = nullptr;                             // the field it fills, or what it is
  const char* getter = nullptr;                            // the getter that reads the field back
  ZELRTCParam* (*get)(ZELRTCNotification&) = nullptr;      // that getter's value as a new parameter
  unsigned char (*accepts)(const ZELRTCParam&) = nullptr;  // the reader, into a scratch value
};

// Reading a parameter into a field of a given type.
template <class F>
unsigned char ZELRTCReadValue(const ZELRTCParam& param, F& field) {
  if constexpr (std::is_enum_v<F>) {
    int value = 0;
    if (!param.GetValue(value)) return 0;
    field = static_cast<F>(value);
    return 1;
  } else {
    return param.GetValue(field);
  }
}

// An interface field takes the reference the reader hands out and gives back
// the one it held before, so a second Build never leaks.
template <class I>
unsigned char ZELRTCReadValue(const ZELRTCParam& param, ZELRTCInterfaceRef<I>& field) {
  I* fresh = nullptr;
  unsigned char ok = param.GetValue(fresh);
  field.Adopt(fresh);
  return ok;
}

// An interface list field: the reader releases what it held and takes its own.
template <class L>
unsigned char ZELRTCReadValue(const ZELRTCParam& param, ZELRTCOwnedList<L>& field) {
  return param.GetValue(field.List());
}

template <class T>
struct ZELRTCMemberTraits;
template <class C, class F>
struct ZELRTCMemberTraits<F C::*> {
  using Class = C;
  using Field = F;
};

template <auto Member>
unsigned char ZELRTCReadMember(const ZELRTCParam& param, ZELRTCNotification& self) {
  using Class = typename ZELRTCMemberTraits<decltype(Member)>::Class;
  return ZELRTCReadValue(param, static_cast<Class&>(self).*Member);
}

template <class T>
unsigned char ZELRTCReadScratch(const ZELRTCParam& param, ZELRTCNotification&) {
  T scratch{};
  return ZELRTCReadValue(param, scratch);
}

// An open hook that gives back the interface field `Member` holds, before
// anything is checked: such a Build, refused or not, never keeps the old one.
template <auto Member>
void ZELRTCDropHeld(ZELRTCNotification& self) {
  using Class = typename ZELRTCMemberTraits<decltype(Member)>::Class;
  (static_cast<Class&>(self).*Member).Reset();
}

// A position that fills field `Member`.
template <auto Member>
inline constexpr ZELRTCBuildPosition ZELRTCField{&ZELRTCReadMember<Member>, ZELRTCRequired};
// The same, the walk going on whatever the reader answers.
template <auto Member>
inline constexpr ZELRTCBuildPosition ZELRTCFieldResultIgnored{&ZELRTCReadMember<Member>, ZELRTCResultIgnored};
// The same, read only when present and never failing the Build.
template <auto Member>
inline constexpr ZELRTCBuildPosition ZELRTCOptionalField{&ZELRTCReadMember<Member>, ZELRTCOptional};
// A required position of type T whose value is not kept.
template <class T>
inline constexpr ZELRTCBuildPosition ZELRTCScratch{&ZELRTCReadScratch<T>, ZELRTCRequired};

// The kind of parameter that the reader of a field of type F expects.
template <class F>
struct ZELRTCKindOf {
  static_assert(std::is_enum_v<F>, "a field type without a parameter kind");
  static constexpr int value = ZELRTCParam::IntKind;
};
#define ZEL_RTC_KIND_OF(F, K)                    \
  template <>                                    \
  struct ZELRTCKindOf<F> {                       \
    static constexpr int value = ZELRTCParam::K; \
  };
ZEL_RTC_KIND_OF(unsigned char, BoolKind)
ZEL_RTC_KIND_OF(int, IntKind)
ZEL_RTC_KIND_OF(double, DoubleKind)
ZEL_RTC_KIND_OF(ZELBinary, ByteArrayKind)
ZEL_RTC_KIND_OF(ZELUnicodeString, UnicodeStringKind)
ZEL_RTC_KIND_OF(ZELListValZELUnicodeString, StringVectorKind)
ZEL_RTC_KIND_OF(ZELSysTSVectorOfUnicodeString, StringVectorKind)
ZEL_RTC_KIND_OF(ZELRTCInterfaceRef<ZELIRTCUser>, UserKind)
ZEL_RTC_KIND_OF(ZELRTCOwnedList<ZELListPtrZELIRTCUser>, UserListKind)
ZEL_RTC_KIND_OF(ZELRTCInterfaceRef<ZELIRTCGroup>, GroupKind)
ZEL_RTC_KIND_OF(ZELRTCOwnedList<ZELListPtrZELIRTCGroup>, GroupListKind)
ZEL_RTC_KIND_OF(ZELRawCollint, IntListKind)
#undef ZEL_RTC_KIND_OF

// Whether the reader of a field of type F takes the parameter (into a scratch value).
template <class F>
unsigned char ZELRTCAccepts(const ZELRTCParam& param) {
  F scratch{};
  return ZELRTCReadValue(param, scratch);
}

// A getter's value as a new parameter of the field's kind; the parameter takes
// references of its own and the getter's are given back.
inline ZELRTCParam* ZELRTCParamOf(const ZELUnicodeString& value) { return new ZELRTCParam(value); }
inline ZELRTCParam* ZELRTCParamOf(const ZELListValZELUnicodeString& value) { return new ZELRTCParam(value); }
inline ZELRTCParam* ZELRTCParamOf(const ZELRawCollint& value) { return new ZELRTCParam(value); }
inline ZELRTCParam* ZELRTCParamOf(unsigned char value) { return new ZELRTCParam(value); }
template <class I>
ZELRTCParam* ZELRTCParamOfInterface(I* owned) {
  ZELRTCParam* param = new ZELRTCParam(owned);
  if (owned) owned->Release();
  return param;
}
inline ZELRTCParam* ZELRTCParamOf(ZELIRTCUser* owned) { return ZELRTCParamOfInterface(owned); }
inline ZELRTCParam* ZELRTCParamOf(ZELIRTCGroup* owned) { return ZELRTCParamOfInterface(owned); }
template <class L>
ZELRTCParam* ZELRTCParamOfList(L& owned) {
  ZELRTCParam* param = new ZELRTCParam(owned);
  ZELRTCUtilities::Release(owned);
  return param;
}
inline ZELRTCParam* ZELRTCParamOf(ZELListPtrZELIRTCUser& owned) { return ZELRTCParamOfList(owned); }
inline ZELRTCParam* ZELRTCParamOf(ZELListPtrZELIRTCGroup& owned) { return ZELRTCParamOfList(owned); }
template <class E, class = std::enable_if_t<std::is_enum_v<E> || std::is_same_v<E, int>>>
ZELRTCParam* ZELRTCParamOf(E value) {
  return new ZELRTCParam(static_cast<int>(value));
}

// Calling a getter of one of the three shapes: a value, a list filled through
// an out-parameter, or bytes with their length.
template <class T>
struct ZELRTCGetterTraits;
template <class C, class R>
struct ZELRTCGetterTraits<R (C::*)()> {
  using Class = C;
  template <auto Getter>
  static ZELRTCParam* Get(C& self) {
    return ZELRTCParamOf((self.*Getter)());
  }
};
template <class C, class R, class A>
struct ZELRTCGetterTraits<R (C::*)(A&)> {
  using Class = C;
  template <auto Getter>
  static ZELRTCParam* Get(C& self) {
    A out{};
    if constexpr (std::is_same_v<A, int>) {
      const char* bytes = (self.*Getter)(out);
      return new ZELRTCParam(bytes, out);
    } else {
      (self.*Getter)(out);
      return ZELRTCParamOf(out);
    }
  }
};
template <auto Getter>
ZELRTCParam* ZELRTCGetterValue(ZELRTCNotification& self) {
  using Traits = ZELRTCGetterTraits<decltype(Getter)>;
  return Traits::template Get<Getter>(static_cast<typename Traits::Class&>(self));
}

// `position` (a ZELRTCField... of `Member`) described by its field and getter.
template <auto Member, auto Getter>
constexpr ZELRTCBuildPosition ZELRTCDescribed(ZELRTCBuildPosition position, const char* field, const char* getter) {
  using Field = typename ZELRTCMemberTraits<decltype(Member)>::Field;
  position.kind = ZELRTCKindOf<Field>::value;
  position.field = field;
  position.getter = getter;
  position.get = &ZELRTCGetterValue<Getter>;
  position.accepts = &ZELRTCAccepts<Field>;
  return position;
}
// A scratch position of type T, described by what it is.
template <class T>
constexpr ZELRTCBuildPosition ZELRTCNamedScratch(const char* name) {
  ZELRTCBuildPosition position = ZELRTCScratch<T>;
  position.kind = ZELRTCKindOf<T>::value;
  position.field = name;
  position.accepts = &ZELRTCAccepts<T>;
  return position;
}
constexpr ZELRTCBuildPosition ZELRTCOnlyWhenPreviousSet(ZELRTCBuildPosition position) {
  position.use = ZELRTCWhenPreviousSet;
  return position;
}

// The positions of a class's declaration, each named once: the member it fills
// and the getter that reads it back (`Self` is the class).
#define ZEL_RTC_DESCRIBED(Use, member, getter) \
  ZELRTCDescribed<&Self::member, &Self::getter>(Use<&Self::member>, &#member[1], #getter)
#define ZEL_RTC_FIELD(member, getter) ZEL_RTC_DESCRIBED(ZELRTCField, member, getter)
#define ZEL_RTC_FIELD_RESULT_IGNORED(member, getter) ZEL_RTC_DESCRIBED(ZELRTCFieldResultIgnored, member, getter)
#define ZEL_RTC_OPTIONAL_FIELD(member, getter) ZEL_RTC_DESCRIBED(ZELRTCOptionalField, member, getter)
#define ZEL_RTC_SCRATCH(T, name) ZELRTCNamedScratch<T>(#name)

// A getter whose value Build computes rather than reads from one position.
struct ZELRTCBuildGetter {
  const char* field;
  const char* getter;
  ZELRTCParam* (*get)(ZELRTCNotification&);
};
#define ZEL_RTC_GETTER(member, getter) \
  ZELRTCBuildGetter { &#member[1], #getter, &ZELRTCGetterValue<&Self::getter> }

// One accepted shape of the parameter array.
struct ZELRTCBuildLayout {
  unsigned int minCount;
  unsigned int maxCount;
  unsigned short minVersion;
  unsigned short maxVersion;
  const ZELRTCBuildPosition* positions;
  unsigned int size;

  // Accepted only from `version` on.
  constexpr ZELRTCBuildLayout FromVersion(unsigned short version) const {
    ZELRTCBuildLayout l = *this;
    l.minVersion = version;
    return l;
  }
  // Accepted only up to `version`.
  constexpr ZELRTCBuildLayout UpToVersion(unsigned short version) const {
    ZELRTCBuildLayout l = *this;
    l.maxVersion = version;
    return l;
  }
  // The first `n` positions only, with a count of exactly `n`.
  constexpr ZELRTCBuildLayout FirstPositions(unsigned int n) const {
    ZELRTCBuildLayout l = *this;
    l.size = n < size ? n : size;
    l.minCount = l.maxCount = n;
    return l;
  }
  // Counts from `minimum` to `maximum` (the positions must fit the minimum).
  constexpr ZELRTCBuildLayout Counts(unsigned int minimum, unsigned int maximum = UINT_MAX) const {
    ZELRTCBuildLayout l = *this;
    l.minCount = minimum;
    l.maxCount = maximum;
    return l;
  }
};

// A layout reading every position of `positions`, with a count of exactly their
// number and any version.
template <size_t N>
constexpr ZELRTCBuildLayout ZELRTCPositions(const ZELRTCBuildPosition (&positions)[N]) {
  return ZELRTCBuildLayout{static_cast<unsigned int>(N), static_cast<unsigned int>(N), 0, USHRT_MAX, positions,
                           static_cast<unsigned int>(N)};
}
// A layout reading no position (a hook reads them): set its counts with Counts().
constexpr ZELRTCBuildLayout ZELRTCNoPositions() { return ZELRTCBuildLayout{0, 0, 0, USHRT_MAX, nullptr, 0}; }

struct ZELRTCBuildContract {
  // Runs right after the scope opens, before anything is checked.
  using OpenHook = void (*)(ZELRTCNotification& self);
  // Runs after a complete walk; returns the result of the Build.
  using FinishHook = HRESULT (*)(ZELRTCNotification& self, ZELRTCParam** params, unsigned int count,
                                 unsigned short version);

  template <size_t N>
  constexpr ZELRTCBuildContract(const char* methodName, int line, const ZELRTCBuildLayout (&accepted)[N])
      : method(methodName), exitLine(line), layouts(accepted), layoutCount(static_cast<unsigned int>(N)) {}

  constexpr ZELRTCBuildContract OnOpen(OpenHook hook) const {
    ZELRTCBuildContract c = *this;
    c.open = hook;
    return c;
  }
  constexpr ZELRTCBuildContract OnFinish(FinishHook hook) const {
    ZELRTCBuildContract c = *this;
    c.finish = hook;
    return c;
  }
  // The entry line shows the count: "<method> <count>".
  constexpr ZELRTCBuildContract CountInEntryLine() const {
    ZELRTCBuildContract c = *this;
    c.countInEntry = true;
    return c;
  }
  // Describes the positions that the hooks read, after the layout's own.
  template <size_t N>
  constexpr ZELRTCBuildContract HookReads(const ZELRTCBuildPosition (&positions)[N]) const {
    ZELRTCBuildContract c = *this;
    c.hookPositions = positions;
    c.hookPositionCount = static_cast<unsigned int>(N);
    return c;
  }
  // Describes the getters whose values the hooks compute.
  template <size_t N>
  constexpr ZELRTCBuildContract HookGives(const ZELRTCBuildGetter (&values)[N]) const {
    ZELRTCBuildContract c = *this;
    c.getters = values;
    c.getterCount = static_cast<unsigned int>(N);
    return c;
  }

  const char* method;
  int exitLine;
  const ZELRTCBuildLayout* layouts;
  unsigned int layoutCount;
  OpenHook open = nullptr;
  FinishHook finish = nullptr;
  bool countInEntry = false;
  const ZELRTCBuildPosition* hookPositions = nullptr;
  unsigned int hookPositionCount = 0;
  const ZELRTCBuildGetter* getters = nullptr;
  unsigned int getterCount = 0;
};

// The runner, for the contract of class C (ZELRTCBuildDeclaration<C>::kContract).
template <class C>
struct ZELRTCBuildRunner {
  static constexpr const ZELRTCBuildContract& kContract = ZELRTCBuildDeclaration<C>::kContract;

  // Builds `self` from the parameters as the contract says (see the top of this file).
  static HRESULT Run(C& self, ZELRTCParam** params, unsigned int count, unsigned short version) {
    if constexpr (kContract.countInEntry) {
      ZELRTCTracedMethod scope(ZelRTCInfraTrace, kContract.method, "%d", static_cast<int>(count));
      return RunInScope(scope, self, params, count, version);
    } else {
      ZELRTCTracedMethod scope(ZelRTCInfraTrace, kContract.method);
      return RunInScope(scope, self, params, count, version);
    }
  }

 private:
  static HRESULT RunInScope(ZELRTCTracedMethod& scope, C& self, ZELRTCParam** params, unsigned int count,
                            unsigned short version) {
    if constexpr (kContract.open != nullptr) kContract.open(self);
    HRESULT hr = params ? Select<0>(self, params, count, version) : E_FAIL;
    scope.ExitHR(ZelRTCInfraTrace, kContract.method, kContract.exitLine, hr);
    return hr;
  }

  // The first layout, from L on, that accepts the count and the version, walked.
  template <unsigned int L>
  static HRESULT Select(C& self, ZELRTCParam** params, unsigned int count, unsigned short version) {
    if constexpr (L == kContract.layoutCount) {
      return E_FAIL;
    } else {
      constexpr const ZELRTCBuildLayout& layout = kContract.layouts[L];
      if (count >= layout.minCount && count <= layout.maxCount && version >= layout.minVersion &&
          version <= layout.maxVersion) {
        return Walk<L>(self, params, count, version, std::make_index_sequence<kContract.layouts[L].size>());
      }
      return Select<L + 1>(self, params, count, version);
    }
  }

  // Reads the positions of layout L in order, then its optional ones whatever
  // happened (those outside the array excepted).
  template <unsigned int L, size_t... I>
  static HRESULT Walk(C& self, ZELRTCParam** params, unsigned int count, unsigned short version,
                      std::index_sequence<I...>) {
    const bool complete = (Read<L, I>(self, params, count) && ...);
    (ReadOptional<L, I>(self, params, count), ...);
    if (!complete) return E_FAIL;
    if constexpr (kContract.finish != nullptr) {
      return kContract.finish(self, params, count, version);
    } else {
      return S_OK;
    }
  }

  // Whether the walk goes on past position I of layout L.
  template <unsigned int L, size_t I>
  static bool Read(C& self, ZELRTCParam** params, unsigned int count) {
    constexpr const ZELRTCBuildLayout& layout = kContract.layouts[L];
    constexpr const ZELRTCBuildPosition& position = layout.positions[I];
    if constexpr (I >= layout.minCount) {
      if (I >= count) return true;  // never past the array
    }
    if constexpr (position.use == ZELRTCOptional) {
      return true;
    } else {
      constexpr auto read = position.read;
      if (!params[I]) return false;
      const bool ok = read(*params[I], self);
      return ok || position.use == ZELRTCResultIgnored;
    }
  }

  template <unsigned int L, size_t I>
  static void ReadOptional(C& self, ZELRTCParam** params, unsigned int count) {
    constexpr const ZELRTCBuildLayout& layout = kContract.layouts[L];
    constexpr const ZELRTCBuildPosition& position = layout.positions[I];
    if constexpr (position.use == ZELRTCOptional) {
      constexpr auto read = position.read;
      if constexpr (I >= layout.minCount) {
        if (I >= count) return;  // never past the array
      }
      if (params[I]) read(*params[I], self);
    }
  }
};

// For hooks: reads position `index` into `out` when it lies inside the array,
// is not null and is accepted by the reader.
template <class T>
bool ZELRTCReadAt(ZELRTCParam** params, unsigned int count, unsigned int index, T& out) {
  return params && index < count && params[index] && ZELRTCReadValue(*params[index], out);
}

// The contract of each class, declared here for ZELRTCNotificationContract and
// defined beside the class's Build by ZEL_RTC_BUILD_FROM_DECLARATION.
template <class C>
const ZELRTCBuildContract& ZELRTCContractOf();
#define ZEL_RTC_DECLARE_CONTRACT_OF(C) \
  class C;                             \
  template <>                          \
  const ZELRTCBuildContract& ZELRTCContractOf<C>();
ZEL_RTC_FOR_EACH_NOTIFICATION(ZEL_RTC_DECLARE_CONTRACT_OF)
#undef ZEL_RTC_DECLARE_CONTRACT_OF

// C::Build, run on the contract that ZELRTCBuildDeclaration<C> declares as
// kContract, and that contract's accessor.
#define ZEL_RTC_BUILD_FROM_DECLARATION(C)                                              \
  HRESULT C::Build(ZELRTCParam** params, unsigned int count, unsigned short version) { \
    return ZELRTCBuildRunner<C>::Run(*this, params, count, version);                   \
  }                                                                                    \
  template <>                                                                          \
  const ZELRTCBuildContract& ZELRTCContractOf<C>() {                                   \
    return ZELRTCBuildDeclaration<C>::kContract;                                       \
  }

// The members and the factory of a concrete class, in its source file.
#define ZEL_RTC_IMPLEMENT_NOTIFICATION(C)              \
  ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(C) \
  C::~C() = default;
// The same, for a class whose source writes its own destructor. The factory
// default-initialises: every field has its initialiser, so the object is not
// zero-filled first.
#define ZEL_RTC_IMPLEMENT_NOTIFICATION_WITHOUT_DESTRUCTOR(C)                                 \
  ZEL_IMPLEMENT_CLASS_DESCRIPTION(C, ZELRTCNotification, "ZELnull", "ZELCollaborationInfra") \
  ZELBaseUnknown* fctCreate##C() { return new C; }
