// Fakes of the main window's units for the catalogue's tests: a list that keeps what each item
// shows, and small recorders for the progress bar, frame, menu, message boxes, process start and
// the download window; and a catalogue over them.
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

// What one item of the list shows.
struct ShownItem {
  SoftwareEntry entry;  // as the catalogue handed it over, icon included
  ItemState state = ItemState::Download;
  bool addedWhileLocked = false;  // the list's updates were locked when it was added

  std::string Title() const { return ItemTitle(entry.name, entry.version); }
  std::string Caption() const { return ItemCaption(state); }
};

class FakeListView : public CatalogueListView {
public:
  std::vector<ShownItem> items;
  int templates = 0;   // times the item template was declared
  int stateShows = 0;  // ShowState calls
  int32_t itemWidth = 0;
  int lockDepth = 0;
  bool visible = false;
  bool focused = false;
  int32_t width = 0, height = 0;
  bool refuseItems = false;  // AddItem fails

  std::string Caption(int32_t item) const { return items.at(item).Caption(); }
  ItemState State(int32_t item) const { return items.at(item).state; }

  void DeclareItemTemplate(ExuiElemClickProc) override { ++templates; }
  void ApplyItemWidth(int32_t w) override { itemWidth = w; }
  int32_t AddItem(const SoftwareEntry& entry, ItemState state) override;
  void ShowState(int32_t item, ItemState state) override {
    ++stateShows;
    items.at(item).state = state;
  }
  void LockUpdate() override { ++lockDepth; }
  void UnlockUpdate() override { --lockDepth; }
  void SetSize(int32_t w, int32_t h) override {
    width = w;
    height = h;
  }
  void SetVisible(bool v) override { visible = v; }
  void Focus() override { focused = true; }
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
  FakeListView list;
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
