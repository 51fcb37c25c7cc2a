// The parameter layouts of all notification classes, one row per accepted
// layout: the count and version boundaries, a null element and every kind of
// element at every position, and the references of the counting fakes given
// back once the notifications are gone. Arrays are allocated at their exact
// length, so that a read past the count is caught by the address sanitizer.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ZELCountingFakes.h"
#include "ZELNotificationLayouts.h"
#include "ZELRTCNotification.h"
#include "ZELRTCNotificationClasses.h"
#include "ZELTestParams.h"

namespace {

using Layout = ZELNotificationLayout;

struct Fakes {
  FakeUser user{"alice"};
  FakeGroup group{"team"};
};

// A parameter of `kind` with a value, or with an empty one.
void AddSample(ZELTestParams& p, char kind, Fakes& f, bool empty = false) {
  ZELListValZELUnicodeString strings;
  ZELListPtrZELIRTCUser users;
  ZELListPtrZELIRTCGroup groups;
  ZELRawCollint ints;
  if (kind == 'b' || kind == 'f') return void(p.Bool(empty || kind == 'f' ? 0 : 1));
  if (kind == 'i') return void(p.Add(empty ? 0 : 3));
  if (kind == 'd') return void(p.Add(1.5));
  if (kind == 'y') return void(p.Add("\x01\x02\x03", empty ? 0 : 3));
  if (kind == 's') return void(p.Str("text"));
  if (kind == 'u') return void(p.Add(empty ? nullptr : static_cast<ZELIRTCUser*>(&f.user)));
  if (kind == 'g') return void(p.Add(empty ? nullptr : static_cast<ZELIRTCGroup*>(&f.group)));
  if (kind == 'v') strings.Append("one"), strings.Append("two"), p.Add(strings);
  if (kind == 'U') users.Append(&f.user), users.Append(nullptr), p.Add(users);
  if (kind == 'G') groups.Append(&f.group), p.Add(groups);
  if (kind == 'l') ints.Append(4), p.Add(ints);
}

// Builds a new notification from an array of exactly `count` elements, or
// from a null array.
HRESULT BuildNew(const char* className, const std::vector<ZELRTCParam*>* params, unsigned int count,
                 unsigned short version) {
  std::unique_ptr<ZELRTCParam*[]> exact(new ZELRTCParam*[count]);
  for (unsigned int i = 0; params && i < count; ++i) exact[i] = (*params)[i];
  ZELRTCNotification* n = ZELRTCNotificationBuilder::Create(className);
  if (!n) return S_FALSE;
  HRESULT hr = ZELRTCNotificationBuilder::Build(n, params ? exact.get() : nullptr, count, version);
  EXPECT_EQ(0u, n->Release());
  return hr;
}

// Whether another layout of the class takes `count` elements at `version`.
bool OtherLayoutTakes(const Layout& row, size_t count, unsigned short version) {
  for (const Layout& other : kLayouts) {
    if (&other != &row && std::string(other.className) == row.className && std::string(other.kinds).size() == count &&
        other.minVersion <= version && version <= other.maxVersion)
      return true;
  }
  return false;
}

// The result expected with `kind` (0 for a null element) at `position`.
HRESULT Expected(const Layout& row, size_t position, char kind, bool empty) {
  const char special = position < std::string(row.special).size() ? row.special[position] : ' ';
  char expected = row.kinds[position];
  if (expected == 'f') expected = 'b';
  if (special == 'o' || special == 'x') return S_OK;
  if (!kind) return E_FAIL;
  if (special == 'n' || kind == expected || (expected == 'v' && kind == 's' && !empty)) return S_OK;
  // The user, group and string readers take an empty value of any kind.
  return empty && (expected == 's' || expected == 'u' || expected == 'g') ? S_OK : E_FAIL;
}

}  // namespace

TEST(ZELRTCNotificationLayoutTest, TableCoversEveryClass) {
#define ZEL_NAME(C) #C,
  const std::set<std::string> all = {ZEL_RTC_FOR_EACH_NOTIFICATION(ZEL_NAME)};
#undef ZEL_NAME
  std::set<std::string> covered;
  for (const Layout& row : kLayouts) covered.insert(row.className);
  EXPECT_EQ(all, covered);
}

TEST(ZELRTCNotificationLayoutTest, CountAndVersionBoundaries) {
  for (const Layout& row : kLayouts) {
    SCOPED_TRACE(std::string(row.className) + " " + row.kinds);
    Fakes f;
    {
      ZELTestParams p;
      for (const char* k = row.kinds; *k; ++k) AddSample(p, *k, f);
      const unsigned int count = p.size();
      const unsigned short version = row.minVersion;
      EXPECT_EQ(S_OK, BuildNew(row.className, &p.array, count, version));
      if (row.maxVersion == 65535) {
        EXPECT_EQ(S_OK, BuildNew(row.className, &p.array, count, 65535));
      } else {
        EXPECT_EQ(E_FAIL, BuildNew(row.className, &p.array, count, row.maxVersion + 1));
      }
      if (row.minVersion > 0) {
        EXPECT_EQ(E_FAIL, BuildNew(row.className, &p.array, count, row.minVersion - 1));
      }
      EXPECT_EQ(E_FAIL, BuildNew(row.className, &p.array, 0, version));
      EXPECT_EQ(E_FAIL, BuildNew(row.className, nullptr, count, version));
      if (!OtherLayoutTakes(row, count - 1, version)) {
        EXPECT_EQ(E_FAIL, BuildNew(row.className, &p.array, count - 1, version));
      }
      p.Add(5);
      if (!OtherLayoutTakes(row, count + 1, version)) {
        EXPECT_EQ(E_FAIL, BuildNew(row.className, &p.array, count + 1, version));
      }
    }
    EXPECT_EQ(1, f.user.refs);
    EXPECT_EQ(1, f.group.refs);
  }
}

TEST(ZELRTCNotificationLayoutTest, NullAndEveryKindAtEveryPosition) {
  for (const Layout& row : kLayouts) {
    const std::string kinds = row.kinds;
    for (size_t position = 0; position < kinds.size(); ++position) {
      // Every kind with a value, every kind with an empty one, and a null element.
      std::vector<std::pair<char, bool>> replacements;
      for (const char* k = kEveryKind; *k; ++k) replacements.push_back({*k, false});
      for (const char* k = kEmptyKinds; *k; ++k) replacements.push_back({*k, true});
      replacements.push_back({0, false});
      for (auto [kind, empty] : replacements) {
        SCOPED_TRACE(std::string(row.className) + " " + kinds + " position " + std::to_string(position) + " kind " +
                     (kind ? std::string(1, kind) + (empty ? " empty" : "") : std::string("null")));
        Fakes f;
        {
          ZELTestParams p;
          for (size_t i = 0; i < kinds.size(); ++i) {
            if (i != position) {
              AddSample(p, kinds[i], f);
            } else if (kind) {
              AddSample(p, kind, f, empty);
            } else {
              p.AddNull();
            }
          }
          EXPECT_EQ(Expected(row, position, kind, empty), BuildNew(row.className, &p.array, p.size(), row.minVersion));
        }
        EXPECT_EQ(1, f.user.refs);
        EXPECT_EQ(1, f.group.refs);
      }
    }
  }
}
