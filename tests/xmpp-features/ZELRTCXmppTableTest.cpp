// The XMPP back end's table of notifications held against the build contract
// of each class: the class exists, the row's count and version pick one of its
// layouts, the version is the highest the class documents, and the parameter
// the row makes at each position is of the kind that position expects.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ZELRTCNotificationContract.h"
#include "ZELRTCParam.h"
#include "ZELRTCXmppEvent.h"
#include "ZELXmppFeatureHarness.h"

namespace {

constexpr unsigned short kAnyVersion = 0xFFFF;

// The highest version a class documents: the top of its bounded layouts, or where its open-ended one starts.
unsigned short HighestVersion(const ZELRTCContractClass& c) {
  unsigned short highest = 0;
  for (unsigned int l = 0; l < c.layoutCount; ++l) {
    const ZELRTCContractLayout& layout = c.layouts[l];
    const unsigned short top = layout.maxVersion == kAnyVersion ? layout.minVersion : layout.maxVersion;
    if (top > highest) highest = top;
  }
  return highest;
}

// The layout Build uses for `count` parameters of `version`: the first that fits, or null.
const ZELRTCContractLayout* LayoutFor(const ZELRTCContractClass& c, unsigned int count, unsigned short version) {
  for (unsigned int l = 0; l < c.layoutCount; ++l) {
    const ZELRTCContractLayout& layout = c.layouts[l];
    if (count >= layout.minCount && count <= layout.maxCount && version >= layout.minVersion &&
        version <= layout.maxVersion)
      return &layout;
  }
  return nullptr;
}

}  // namespace

TEST(XmppFeatureTable, EveryRowFitsTheContractOfItsClassPositionByPosition) {
  ZELXmppFeatureHarness h;  // the class dictionary and the catalog, as a session has them
  for (int k = 0; k < static_cast<int>(ZELRTCXmppEventKind::Count); ++k) {
    const auto kind = static_cast<ZELRTCXmppEventKind>(k);
    const ZELRTCXmppNotificationRow row = ZELRTCXmppNotificationRowOf(kind);
    ASSERT_NE(row.className, nullptr) << "kind " << k;
    SCOPED_TRACE(std::string(row.className) + " (kind " + std::to_string(k) + ")");
    const ZELRTCContractClass* c = ZELRTCNotificationContract::Find(row.className);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(row.version, HighestVersion(*c));
    const ZELRTCContractLayout* layout = LayoutFor(*c, row.count, row.version);
    ASSERT_NE(layout, nullptr) << "no layout of " << row.count << " parameters at version " << row.version;
    ASSERT_LE(row.count, layout->positionCount);
    // The positions the row leaves out must be optional.
    for (unsigned int i = row.count; i < layout->positionCount; ++i)
      EXPECT_NE(layout->positions[i].use, ZELRTCContractRequired) << "position " << i << " left out";

    ZELRTCXmppEvent event(kind);
    for (unsigned int i = 0; i < row.count; ++i) {
      const ZELRTCContractPosition& position = layout->positions[i];
      std::unique_ptr<ZELRTCParam> param(ZELRTCXmppNotificationParam(event, i));
      ASSERT_NE(param, nullptr) << "position " << i;
      EXPECT_EQ(param->GetType(), position.kind)
          << "position " << i << " (" << (position.field ? position.field : "?") << "): "
          << ZELRTCNotificationContract::KindName(param->GetType()) << " where " << position.kindName
          << " is expected";
      if (position.accepts) {
        EXPECT_TRUE(position.accepts(*param)) << "position " << i;
      }
    }
    EXPECT_EQ(ZELRTCXmppNotificationParam(event, row.count), nullptr);
    // And the class builds it.
    EXPECT_EQ(ZELRTCXmppPostEvent(h.channel.SessionId(), event), S_OK);
  }
  EXPECT_EQ(ZELRTCXmppNotificationRowOf(ZELRTCXmppEventKind::Count).className, nullptr);
  h.Posted();
}
