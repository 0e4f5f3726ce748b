#include "catalogue/view_layout.h"

namespace storvane {

CatalogueViewLayout ComputeCatalogueViewLayout(int clientWidth, int clientHeight) {
  CatalogueViewLayout l;
  l.groupWidth = clientWidth - 32;
  l.groupHeight = clientHeight - 143;
  l.listWidth = l.groupWidth - 20;
  l.listHeight = l.groupHeight - 20;
  l.itemWidth = l.listWidth - 24;
  l.progressLeft = static_cast<int>((l.groupWidth - 300) / 2.0);
  l.progressTop = static_cast<int>((l.groupHeight - 300) / 2.0);
  l.diskLabelTop = clientHeight - 51;
  l.diskLabelWidth = clientWidth - 32;
  return l;
}

ItemTemplateGeometry ComputeItemTemplateGeometry(int itemWidth) {
  // The widths are computed in floating point and truncated, as the template always was.
  const double w = itemWidth;
  return {static_cast<int>(w - 430), static_cast<int>(w - 330), itemWidth - 119, itemWidth - 40};
}

}  // namespace storvane
