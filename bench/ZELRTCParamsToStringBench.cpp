// The cost of rendering a parameter array for the trace, per entry, over 10,
// 100 and 1000 entries, for two mixes: every kind a driver sends, and an int
// alternating with a 21-character string. The cost per entry should stay flat
// as the array grows: the ratios compare 1000 entries with 10. A second
// baseline appends the same number of plain string pieces.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "ZELBenchRatios.h"
#include "ZELRTCParam.h"

namespace {

// Users and groups that answer the rendering's calls and count nothing.
class BenchUser : public ZELIRTCUser {
 public:
  BenchUser(const char* id, const char* name, const char* dn, ZelRTCUserStatus status)
      : _id(id), _name(name), _dn(dn), _status(status) {}
  virtual ~BenchUser() = default;
  HRESULT QueryInterface(const GUID&, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  unsigned long AddRef() override { return 2; }
  unsigned long Release() override { return 1; }
  int GetSessionId() override { return 1; }
  HRESULT IsLoggedUser(unsigned char& flag) override {
    flag = 0;
    return S_OK;
  }
  ZELUnicodeString GetIdentifier() override { return _id; }
  ZELUnicodeString GetName() override { return _name; }
  ZELUnicodeString GetDn() override { return _dn; }
  ZELUnicodeString GetStatusDescription() override { return ZELUnicodeString(); }
  ZelRTCUserStatus GetStatus() override { return _status; }

 private:
  ZELUnicodeString _id, _name, _dn;
  ZelRTCUserStatus _status;
};

class BenchGroup : public ZELIRTCGroup {
 public:
  BenchGroup(const char* id, const char* name, std::vector<ZELIRTCUser*> users)
      : _id(id), _name(name), _users(std::move(users)) {}
  virtual ~BenchGroup() = default;
  HRESULT QueryInterface(const GUID&, void** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  unsigned long AddRef() override { return 2; }
  unsigned long Release() override { return 1; }
  int GetSessionId() override { return 1; }
  int GetUserCount() override { return static_cast<int>(_users.size()); }
  ZELUnicodeString GetIdentifier() override { return _id; }
  ZELUnicodeString GetName() override { return _name; }
  HRESULT AddUser(ZELIRTCUser*) override { return E_NOTIMPL; }
  HRESULT GetUsers(ZELListPtrZELIRTCUser& out) override {
    for (ZELIRTCUser* u : _users) out.Append(u);
    return S_OK;
  }
  HRESULT RemoveUser(ZELIRTCUser*) override { return E_NOTIMPL; }
  HRESULT SetExpanded(unsigned char) override { return S_OK; }
  HRESULT IsPublic(unsigned char& flag) override {
    flag = 1;
    return S_OK;
  }
  HRESULT IsExpanded(unsigned char& flag) override {
    flag = 0;
    return S_OK;
  }

 private:
  ZELUnicodeString _id, _name;
  std::vector<ZELIRTCUser*> _users;
};

// A parameter array of `count` entries cycling through the kinds a driver
// sends: numbers, flags, short and long strings, users, groups, lists, nulls.
class MixedParams {
 public:
  explicit MixedParams(int count) {
    ZELListValZELUnicodeString ids;
    ids.Append("group-1");
    ids.Append("group-2");
    ids.Append("group-3");
    ZELListPtrZELIRTCUser users;
    users.Append(&_alice);
    users.Append(&_bob);
    users.Append(&_carol);
    ZELListPtrZELIRTCGroup groups;
    groups.Append(&_friends);
    ZELRawCollint ints;
    for (int i = 0; i < 5; ++i) ints.Append(i * 7);
    const std::string longText(300, 'x');
    for (int i = 0; i < count; ++i) {
      switch (i % 13) {
        case 0:
          Add(new ZELRTCParam(i));
          break;
        case 1:
          Add(new ZELRTCParam(ZELUnicodeString("alice@example.com")));
          break;
        case 2:
          Add(new ZELRTCParam(static_cast<unsigned char>(1)));
          break;
        case 3:
          Add(new ZELRTCParam(static_cast<ZELIRTCUser*>(&_alice)));
          break;
        case 4:
          Add(new ZELRTCParam(ZELUnicodeString(longText.c_str())));
          break;
        case 5:
          Add(new ZELRTCParam(ids));
          break;
        case 6:
          Add(new ZELRTCParam(users));
          break;
        case 7:
          Add(new ZELRTCParam(2.5 * i));
          break;
        case 8:
          Add(new ZELRTCParam(static_cast<ZELIRTCGroup*>(&_friends)));
          break;
        case 9:
          Add(new ZELRTCParam(ints));
          break;
        case 10:
          Add(new ZELRTCParam("\x01\x02\x03\x04", 4));
          break;
        case 11:
          Add(new ZELRTCParam(groups));
          break;
        default:
          _array.push_back(nullptr);
          break;
      }
    }
  }
  ZELRTCParam** data() { return _array.data(); }
  unsigned int size() const { return static_cast<unsigned int>(_array.size()); }

 private:
  void Add(ZELRTCParam* p) {
    _owned.emplace_back(p);
    _array.push_back(p);
  }
  BenchUser _alice{"alice@example.com", "Alice Martin", "cn=alice,o=example", ZelRTCStatusActive};
  BenchUser _bob{"bob@example.com", "Bob", "Bob", ZelRTCStatusAway};
  BenchUser _carol{"carol@example.com", "", "", ZelRTCStatusUnknown};
  BenchGroup _friends{"g-42", "Friends", {&_alice, &_bob}};
  std::vector<std::unique_ptr<ZELRTCParam>> _owned;
  std::vector<ZELRTCParam*> _array;
};

void BM_ParamsToString(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  MixedParams params(count);
  size_t length = 0;
  for (auto _ : state) {
    ZELUnicodeString text = ZELRTCParam::ParamsToString(1, "Login", params.data(), params.size());
    length = static_cast<size_t>(text.GetLengthInChar());
    benchmark::DoNotOptimize(text);
  }
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["chars"] = static_cast<double>(length);
}
BENCHMARK(BM_ParamsToString)->Arg(10)->Arg(100)->Arg(1000);

// Entries alternating an int and a 21-character string.
class AlternatingParams {
 public:
  explicit AlternatingParams(int count) {
    for (int i = 0; i < count; ++i) {
      _owned.emplace_back(i % 2 ? new ZELRTCParam(ZELUnicodeString("bob.smith@example.com")) : new ZELRTCParam(i));
      _array.push_back(_owned.back().get());
    }
  }
  ZELRTCParam** data() { return _array.data(); }
  unsigned int size() const { return static_cast<unsigned int>(_array.size()); }

 private:
  std::vector<std::unique_ptr<ZELRTCParam>> _owned;
  std::vector<ZELRTCParam*> _array;
};

void BM_ParamsToStringAlternating(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  AlternatingParams params(count);
  for (auto _ : state) {
    ZELUnicodeString text = ZELRTCParam::ParamsToString(0, "Send", params.data(), params.size());
    benchmark::DoNotOptimize(text);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ParamsToStringAlternating)->Arg(10)->Arg(100)->Arg(1000);

// The same number of entries as plain pieces appended to one string.
void BM_AppendPlainPieces(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const ZELUnicodeString piece("\"alice@example.com\"");
  for (auto _ : state) {
    ZELUnicodeString text("[");
    for (int i = 0; i < count; ++i) {
      if (i > 0) text.Append("; ");
      text.Append("p");
      text.Append(ZELUnicodeString::FromNum("%d", i));
      text.Append("=");
      text.Append(piece);
    }
    text.Append("]");
    benchmark::DoNotOptimize(text);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_AppendPlainPieces)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace

ZEL_BENCH_MAIN_WITH_RATIOS({
    {"ParamsToString per entry, int/string alternating: 1000 / 10 entries", "BM_ParamsToStringAlternating/1000", 1000,
     "BM_ParamsToStringAlternating/10", 10, 1.5},
    {"ParamsToString per entry, every kind: 1000 / 10 entries", "BM_ParamsToString/1000", 1000,
     "BM_ParamsToString/10", 10, 1.5},
})
