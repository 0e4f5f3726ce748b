#include "catalogue_fakes.h"

#include <algorithm>

namespace storvane::fakes {

std::vector<ListCall> RecordingList::CallsOf(const std::string& op) const {
  std::vector<ListCall> out;
  for (const ListCall& c : calls) {
    if (c.op == op) out.push_back(c);
  }
  return out;
}

int32_t RecordingList::Seed(const std::string& title, const std::string& store, const std::string& exe,
                            const std::string& download, const std::string& tutorial, const std::string& caption,
                            int32_t state) {
  std::vector<ElemData> elems(10);
  elems[1].text = title;
  elems[4].text = caption;
  elems[4].state = state;
  elems[5].text = "▼";
  elems[6].text = store;
  elems[7].text = exe;
  elems[8].text = download;
  elems[9].text = tutorial;
  items.push_back(std::move(elems));
  return static_cast<int32_t>(items.size()) - 1;
}

ElemData* RecordingList::Find(int32_t item, int32_t element) {
  if (item < 0 || item >= static_cast<int32_t>(items.size())) return nullptr;
  if (element < 0 || element >= static_cast<int32_t>(items[item].size())) return nullptr;
  return &items[item][element];
}

void RecordingList::LockUpdate() {
  ++lockDepth;
  Record({"LockUpdate", {}, {}, {}});
}

void RecordingList::UnlockUpdate() {
  --lockDepth;
  Record({"UnlockUpdate", {}, {}, {}});
}

void RecordingList::InsertElem(int32_t kind, int32_t column, int32_t position, int32_t count) {
  Record({"InsertElem", {kind, column, position, count}, {}, {}});
}

void RecordingList::SetElemAttributeImage(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask,
                                          int32_t flags, const ElemBox& b, int32_t reserved) {
  Record({"AttrImage", {kind, row, element, column, mask, flags, b.left, b.top, b.width, b.height, reserved}, {}, {}});
}

void RecordingList::SetElemAttributeText(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask,
                                         int32_t flags, const ElemBox& b, int32_t reserved, const Bytes& font,
                                         int32_t format) {
  Record({"AttrText",
          {kind, row, element, column, mask, flags, b.left, b.top, b.width, b.height, reserved, format},
          {},
          {font}});
}

void RecordingList::SetElemAttributeButton(int32_t kind, int32_t row, int32_t element, int32_t column,
                                           ExuiElemClickProc clickRoutine, int32_t flags, const ElemBox& b,
                                           int32_t reserved, const Bytes& skin, const Bytes& font) {
  Record({"AttrButton",
          {kind, row, element, column, reinterpret_cast<intptr_t>(clickRoutine), flags, b.left, b.top, b.width,
           b.height, reserved},
          {},
          {skin, font}});
}

void RecordingList::SetElemDataImage(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                     int32_t display, int32_t state, int32_t image) {
  Record({"DataImage", {kind, item, column, element, mask, display, state, image}, {}, {}});
  if (ElemData* d = Find(item, element)) {
    d->display = display;
    d->state = state;
    d->image = image;
  }
}

void RecordingList::SetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                    int32_t display, int32_t state, const std::string& text, uint32_t colour) {
  Record({"DataText", {kind, item, column, element, mask, display, state, colour}, {text}, {}});
  if (ElemData* d = Find(item, element)) {
    d->text = text;
    d->colour = colour;
    d->display = display;
    d->state = state;
  }
}

void RecordingList::SetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask,
                                      int32_t display, int32_t state, const std::string& caption, uint32_t colour,
                                      int32_t selected) {
  Record({"DataButton", {kind, item, column, element, mask, display, state, colour, selected}, {caption}, {}});
  if (ElemData* d = Find(item, element)) {
    d->text = caption;
    d->colour = colour;
    d->display = display;
    d->state = state;
    d->selected = selected;
  }
}

std::string RecordingList::GetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t field) {
  Record({"GetText", {kind, item, column, element, field}, {}, {}});
  const ElemData* d = Find(item, element);
  return d != nullptr && kind == 1 && column == -1 && field == 4 ? d->text : std::string();
}

std::string RecordingList::GetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element,
                                             int32_t field) {
  Record({"GetButton", {kind, item, column, element, field}, {}, {}});
  const ElemData* d = Find(item, element);
  return d != nullptr && kind == 1 && column == -1 && field == 4 ? d->text : std::string();
}

int32_t RecordingList::InsertItem(int32_t position) {
  Record({"InsertItem", {position}, {}, {}});
  if (refuseItems) return -1;
  items.emplace_back(10);
  return static_cast<int32_t>(items.size()) - 1;
}

int32_t RecordingList::GetItemCount() { return static_cast<int32_t>(items.size()); }

int32_t RecordingList::LoadItemImage(const Bytes& bytes) {
  Record({"LoadImage", {static_cast<int64_t>(bytes.size())}, {}, {bytes}});
  if (bytes.empty()) return 0;  // the library gives no image for no bytes
  liveImages.push_back(nextImage);
  return nextImage++;
}

void RecordingList::DestroyItemImage(int32_t image) {
  Record({"DestroyImage", {image}, {}, {}});
  liveImages.erase(std::remove(liveImages.begin(), liveImages.end(), image), liveImages.end());
}

int32_t RecordingList::GetItemWidth() {
  Record({"GetItemWidth", {}, {}, {}});
  return itemWidth;
}

void RecordingList::SetItemWidth(int32_t w) {
  Record({"SetItemWidth", {w}, {}, {}});
  itemWidth = w;
}

void RecordingList::SetSize(int32_t w, int32_t h) {
  width = w;
  height = h;
}

void RecordingList::SetVisible(bool v) { visible = v; }

void RecordingList::SetFocus() { focused = true; }

FakeCatalogue::FakeCatalogue(std::string runDirectory, std::string serviceBase)
    : env{std::move(runDirectory),
          std::move(serviceBase),
          list,
          loadProgress,
          frame,
          menu,
          dialogs,
          starter,
          downloadWindow,
          [this] { ++watcherStarts; },
          [this](const std::string& a) {
            openedAddresses.push_back(a);
            return true;
          }} {}

int32_t FakeCatalogue::Seed(const std::string& name, const std::string& version, const std::string& store,
                            const std::string& exe, const std::string& download, const std::string& tutorial,
                            ItemState state, const std::string& sha256, const std::string& size) {
  SoftwareEntry e;
  e.name = name;
  e.version = version;
  e.storeFolder = store;
  e.executable = exe;
  e.downloadAddress = download;
  e.tutorialAddress = tutorial;
  e.sha256 = sha256;
  e.size = size;
  return catalogue.Add(std::move(e), state);
}

}  // namespace storvane::fakes
