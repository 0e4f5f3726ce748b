// Fakes of the main window's units for the catalogue's tests: a list that records every element
// call with its exact arguments and keeps the items' element data so it can be read back, and
// small recorders for the progress bar, frame, menu, message boxes, process start and the
// download window; and a catalogue over them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_environment.h"

namespace storvane::fakes {

// One call as the library would receive it (the control handle left out).
struct ListCall {
  std::string op;
  std::vector<int64_t> ints;
  std::vector<std::string> texts;
  std::vector<Bytes> bytes;
};

struct ElemData {
  std::string text;
  uint32_t colour = 0;
  int32_t display = -1;  // -1: never set
  int32_t state = 0;
  int32_t selected = 0;
  int32_t image = 0;
};

class RecordingList : public ItemListControl {
public:
  std::vector<ListCall> calls;
  std::vector<std::vector<ElemData>> items;  // [item][element]
  int32_t itemWidth = 824;
  int lockDepth = 0;
  bool visible = false;
  bool focused = false;
  int32_t width = 0, height = 0;
  int32_t nextImage = 100;
  std::vector<int32_t> liveImages;  // loaded and not yet destroyed
  bool refuseItems = false;         // InsertItem fails

  // Calls with that operation name, in order.
  std::vector<ListCall> CallsOf(const std::string& op) const;
  // Adds an item directly (not recorded), with the given texts for elements 1, 6, 7, 8, 9 and
  // the action caption.
  int32_t Seed(const std::string& title, const std::string& store, const std::string& exe, const std::string& download,
               const std::string& tutorial, const std::string& caption, int32_t state = 0);
  const std::string& Caption(int32_t item) const { return items.at(item).at(4).text; }
  int32_t State(int32_t item) const { return items.at(item).at(4).state; }

  void LockUpdate() override;
  void UnlockUpdate() override;
  void InsertElem(int32_t kind, int32_t column, int32_t position, int32_t count) override;
  void SetElemAttributeImage(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask, int32_t flags,
                             const ElemBox& box, int32_t reserved) override;
  void SetElemAttributeText(int32_t kind, int32_t row, int32_t element, int32_t column, int32_t mask, int32_t flags,
                            const ElemBox& box, int32_t reserved, const Bytes& font, int32_t format) override;
  void SetElemAttributeButton(int32_t kind, int32_t row, int32_t element, int32_t column,
                              ExuiElemClickProc clickRoutine, int32_t flags, const ElemBox& box, int32_t reserved,
                              const Bytes& skin, const Bytes& font) override;
  void SetElemDataImage(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask, int32_t display,
                        int32_t state, int32_t image) override;
  void SetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask, int32_t display,
                       int32_t state, const std::string& text, uint32_t colour) override;
  void SetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t mask, int32_t display,
                         int32_t state, const std::string& caption, uint32_t colour, int32_t selected) override;
  std::string GetElemDataText(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t field) override;
  std::string GetElemDataButton(int32_t kind, int32_t item, int32_t column, int32_t element, int32_t field) override;
  int32_t InsertItem(int32_t position) override;
  int32_t GetItemCount() override;
  int32_t LoadItemImage(const Bytes& bytes) override;
  void DestroyItemImage(int32_t image) override;
  int32_t GetItemWidth() override;
  void SetItemWidth(int32_t w) override;
  void SetSize(int32_t w, int32_t h) override;
  void SetVisible(bool v) override;
  void SetFocus() override;

private:
  ElemData* Find(int32_t item, int32_t element);
  void Record(ListCall call) { calls.push_back(std::move(call)); }
};

class FakeProgressBar : public ProgressBarControl {
public:
  int32_t maximum = 100;
  std::vector<int32_t> positions;
  std::vector<int32_t> maximums;
  std::optional<bool> visible;
  int32_t left = 0, top = 0;
  void SetMaximum(int32_t m) override {
    maximum = m;
    maximums.push_back(m);
  }
  int32_t GetMaximum() override { return maximum; }
  void SetPosition(int32_t p) override { positions.push_back(p); }
  void SetVisible(bool v) override { visible = v; }
  void MoveTo(int32_t l, int32_t t) override {
    left = l;
    top = t;
  }
};

class FakeFrame : public CatalogueFrameUnits {
public:
  int32_t groupWidth = 0, groupHeight = 0, diskTop = 0, diskWidth = 0;
  int groupFocus = 0;
  void SetGroupBoxSize(int32_t w, int32_t h) override {
    groupWidth = w;
    groupHeight = h;
  }
  void FocusGroupBox() override { ++groupFocus; }
  void SetDiskLabelPlace(int32_t t, int32_t w) override {
    diskTop = t;
    diskWidth = w;
  }
};

inline constexpr ItemMenuEntries kFakeMenuEntries{11, 22, 33, 44};

class FakeMenu : public ItemMenuControl {
public:
  std::map<int32_t, bool> disabled;  // entry -> last disabled flag
  std::vector<int32_t> touched;      // entries in the order they were set
  int popUps = 0;
  const ItemMenuEntries& entries() const override { return kFakeMenuEntries; }
  void SetItemDisabled(int32_t entry, bool d) override {
    disabled[entry] = d;
    touched.push_back(entry);
  }
  void PopUpAtCursor() override { ++popUps; }
};

struct ShownMessage {
  std::string text, caption;
  bool question = false;
};

class FakeDialogs : public CatalogueDialogs {
public:
  std::vector<ShownMessage> shown;
  bool answerYes = true;
  std::function<void()> whileAsking;  // what happens while the question is "open"
  bool AskYesNo(const std::string& text, const std::string& caption) override {
    shown.push_back({text, caption, true});
    if (whileAsking) whileAsking();
    return answerYes;
  }
  void Notice(const std::string& text, const std::string& caption) override { shown.push_back({text, caption, false}); }
};

class FakeStarter : public ToolStarter {
public:
  std::vector<std::string> commandLines;
  std::function<bool(const std::string&)> start;  // default: succeed without starting anything
  bool Start(const std::string& commandLine) override {
    commandLines.push_back(commandLine);
    return start ? start(commandLine) : true;
  }
};

class FakeDownloadWindow : public DownloadWindowHost {
public:
  int opened = 0;
  std::vector<DownloadJob> jobs;  // handed to it, in order
  // What happens while the window is "open"; its result is the window's (none: nothing arrived).
  std::function<int(const DownloadJob&)> onOpen;
  int RunModal(const DownloadJob& job) override {
    ++opened;
    jobs.push_back(job);
    return onOpen ? onOpen(job) : -1;
  }
};

// All fakes, an environment over them and a catalogue over that.
struct FakeCatalogue {
  RecordingList list;
  FakeProgressBar loadProgress;
  FakeFrame frame;
  FakeMenu menu;
  FakeDialogs dialogs;
  FakeStarter starter;
  FakeDownloadWindow downloadWindow;
  int watcherStarts = 0;
  std::vector<std::string> openedAddresses;
  CatalogueEnvironment env;
  Catalogue catalogue{env};

  static constexpr ItemMenuEntries kEntries = kFakeMenuEntries;

  explicit FakeCatalogue(std::string runDirectory = {}, std::string serviceBase = {});
  FakeCatalogue(const FakeCatalogue&) = delete;
  FakeCatalogue& operator=(const FakeCatalogue&) = delete;

  // Adds an item as the load does, in `state`.
  int32_t Seed(const std::string& name, const std::string& version, const std::string& store, const std::string& exe,
               const std::string& download, const std::string& tutorial, ItemState state,
               const std::string& sha256 = {}, const std::string& size = {});
};

}  // namespace storvane::fakes
