#include "catalogue/catalogue_view.h"

#include "catalogue/view_layout.h"

namespace storvane {

void RelayoutCatalogueView(CatalogueListView& list, ProgressBarControl& loadProgress, CatalogueFrameUnits& frame,
                           int32_t clientWidth, int32_t clientHeight) {
  const CatalogueViewLayout l = ComputeCatalogueViewLayout(clientWidth, clientHeight);
  frame.SetGroupBoxSize(l.groupWidth, l.groupHeight);
  list.SetSize(l.listWidth, l.listHeight);
  loadProgress.MoveTo(l.progressLeft, l.progressTop);
  frame.SetDiskLabelPlace(l.diskLabelTop, l.diskLabelWidth);
  list.ApplyItemWidth(l.itemWidth);
}

void FocusCatalogueView(CatalogueListView& list, CatalogueFrameUnits& frame, int32_t which) {
  if (which == 1) {
    list.Focus();
  } else {
    frame.FocusGroupBox();
  }
}

}  // namespace storvane
