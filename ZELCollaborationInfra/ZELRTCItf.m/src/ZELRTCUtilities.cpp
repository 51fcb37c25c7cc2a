// ZELRTCUtilities and the out-of-line members of the interface lists.
#include "ZELRTCUtilities.h"

namespace {

template <class I>
void ReleaseList(ZELListPtr<I>& list) {
  for (int position = 1; position <= list.Size(); ++position) {
    if (I* element = list[position]) element->Release();
  }
  list.RemoveAll(ZELCollec::FreeMemory);
}

template <class I>
void CopyList(const ZELListPtr<I>& src, ZELListPtr<I>& dst) {
  ReleaseList(dst);  // When src is dst, this leaves nothing to copy.
  for (int position = 1; position <= src.Size(); ++position) {
    if (I* element = src[position]) {
      element->AddRef();
      dst.Append(element);
    }
  }
}

}  // namespace

ZELListPtrZELIRTCUser::~ZELListPtrZELIRTCUser() = default;
ZELListPtrZELIRTCGroup::~ZELListPtrZELIRTCGroup() = default;
ZELListPtrZELIRTCMainSession::~ZELListPtrZELIRTCMainSession() = default;

void ZELRTCUtilities::Copy(const ZELListPtrZELIRTCUser& src, ZELListPtrZELIRTCUser& dst) { CopyList(src, dst); }
void ZELRTCUtilities::Copy(const ZELListPtrZELIRTCGroup& src, ZELListPtrZELIRTCGroup& dst) { CopyList(src, dst); }
void ZELRTCUtilities::Copy(const ZELListPtrZELIRTCMainSession& src, ZELListPtrZELIRTCMainSession& dst) {
  CopyList(src, dst);
}

void ZELRTCUtilities::Release(ZELListPtrZELIRTCUser& list) { ReleaseList(list); }
void ZELRTCUtilities::Release(ZELListPtrZELIRTCGroup& list) { ReleaseList(list); }
void ZELRTCUtilities::Release(ZELListPtrZELIRTCMainSession& list) { ReleaseList(list); }

ZELUnicodeString ZELRTCUtilities::PrepareSipUri(const ZELUnicodeString& address) {
  // Built once per process; the initialisation is safe when threads arrive together.
  static const ZELUnicodeString blank(" ");
  static const ZELUnicodeString nothing("");
  ZELUnicodeString result;
  ZELUnicodeString copy(address);
  copy.ToLower();
  copy.ReplaceAll(blank, nothing);
  if (copy.SearchSubString(ZELUnicodeString("sip:"), 0, 1) == -1) result = "sip:";
  result.Append(copy);
  return result;
}
