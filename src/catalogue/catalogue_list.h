// The software list over the real unit of the skin-UI runtime: the item template, the items and
// their states as element calls of the library, with every value the library receives (places,
// fonts, colours, switches) written down here, beside the call that sends it. The unit's control
// is found afresh on every call, so the list never holds on to a control that may have gone.
#pragma once

#include "catalogue/catalogue_view.h"
#include "uilib/runtime.h"
#include "util/text.h"

namespace storvane {

// The 400-byte skin both item buttons use.
inline constexpr int kItemButtonSkinSize = 400;
const Bytes& ItemButtonSkin();

class SkinCatalogueList : public CatalogueListView {
public:
  explicit SkinCatalogueList(uilib::Unit& list) : list_(list) {}

  void DeclareItemTemplate(ExuiElemClickProc clickRoutine) override;
  void ApplyItemWidth(int32_t itemWidth) override;
  int32_t AddItem(const SoftwareEntry& entry, ItemState state) override;
  void ShowState(int32_t item, ItemState state) override;
  void LockUpdate() override;
  void UnlockUpdate() override;
  void SetSize(int32_t width, int32_t height) override;
  void SetVisible(bool visible) override;
  void Focus() override;

private:
  ExuiControl Control() const;
  void PlaceWidthDependentElements();

  uilib::Unit& list_;
  ExuiElemClickProc clickRoutine_ = nullptr;
};

}  // namespace storvane
