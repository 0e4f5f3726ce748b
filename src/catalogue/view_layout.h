// Where the catalogue view's units go for a given client size. The main window's size-changed
// handler applies these numbers; they are kept apart so they can be checked without windows.
// Everything here is in design units (pixels at 96 DPI), as the runtime gives the client size
// and places units and as the library takes the item width and the template: the formulas hold
// at every scale.
#ifndef STORVANE_CATALOGUE_VIEW_LAYOUT_H
#define STORVANE_CATALOGUE_VIEW_LAYOUT_H

namespace storvane {

struct CatalogueViewLayout {
  int groupWidth = 0, groupHeight = 0;       // the group box around list and progress bar
  int listWidth = 0, listHeight = 0;         // the software list inside it
  int itemWidth = 0;                         // W, the list's property 17
  int progressLeft = 0, progressTop = 0;     // the catalogue progress bar, in the group box
  int diskLabelTop = 0, diskLabelWidth = 0;  // the free-space line at the bottom
};

// All results truncated toward zero, as the window design's integer geometry expects.
CatalogueViewLayout ComputeCatalogueViewLayout(int clientWidth, int clientHeight);

// Template positions that depend on the item width W (elements 2, 3, 4 and 5).
struct ItemTemplateGeometry {
  int descriptionWidth = 0;  // element 2: W - 430
  int updateTimeLeft = 0;    // element 3: W - 330
  int actionLeft = 0;        // element 4: W - 119
  int menuButtonLeft = 0;    // element 5: W - 40
};
ItemTemplateGeometry ComputeItemTemplateGeometry(int itemWidth);

}  // namespace storvane

#endif  // STORVANE_CATALOGUE_VIEW_LAYOUT_H
