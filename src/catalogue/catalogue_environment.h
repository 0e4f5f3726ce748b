// Everything the catalogue's handlers reach outside themselves, gathered in one record: the
// units of the main window, the item menu, message boxes, process start, the modal download
// window and the service address. The program builds it over the real window
// (catalogue_window.h); tests build it over fakes and real folders.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "catalogue/catalogue_view.h"
#include "net/download_digest.h"

namespace storvane {

// Task-modal message boxes. Texts and captions are GBK.
class CatalogueDialogs {
public:
  virtual ~CatalogueDialogs() = default;
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
  // A notice with OK.
  virtual void Notice(const std::string& text, const std::string& caption) = 0;
};

// Starts a tool: `commandLine` is the quoted executable path, a blank and the argument. True
// when the process was created; the caller does not wait for it to end.
class ToolStarter {
public:
  virtual ~ToolStarter() = default;
  virtual bool Start(const std::string& commandLine) = 0;
};

// Handles of the menu's four choosable entries, as InsertItem_MenuEx returned them.
struct ItemMenuEntries {
  int32_t showSoftware = 0;  // "显示软件"
  int32_t redownload = 0;    // "重新下载"
  int32_t forceClose = 0;    // "强制关闭"
  int32_t viewTutorial = 0;  // "查看教程"
};

// The item action menu.
class ItemMenuControl {
public:
  virtual ~ItemMenuControl() = default;
  // Its entries, as its event routine reports the chosen one.
  virtual const ItemMenuEntries& entries() const = 0;
  // SetItemDisabled_MenuEx(menu, entry, disabled)
  virtual void SetItemDisabled(int32_t entry, bool disabled) = 0;
  // PopUp_MenuEx(menu, 0, cursor x, cursor y, main window, false, 0); the choice arrives later
  // through the menu's event routine.
  virtual void PopUpAtCursor() = 0;
};

// One tool to fetch: where from, and its folder and executable under root + "\soft\"; with the
// size and SHA-256 the catalogue named, only that file replaces the executable. The version
// offered names the partial file a cut transfer leaves, so that only a transfer of the same
// version continues it.
struct DownloadJob {
  std::string downloadAddress;
  std::string storeFolder;
  std::string executable;
  std::optional<ExpectedDigest> digest = std::nullopt;
  std::string version = {};
  // The user agreed to close the running tool: its copies are ended right before the replace.
  bool endRunningCopies = false;
};

// The modal download window: loads it over the main window for `job` and returns when it has
// closed. Its creation handler prepares the tool folder and starts the transfer. Returns the
// transfer's result: 0 once the complete executable is in place, negative otherwise.
class DownloadWindowHost {
public:
  virtual ~DownloadWindowHost() = default;
  virtual int RunModal(const DownloadJob& job) = 0;
};

struct CatalogueEnvironment {
  std::string runDirectory;  // the launcher's directory, no trailing separator
  std::string serviceBase;   // scheme and host in front of "/api/group/zor"
  CatalogueListView& list;
  ProgressBarControl& loadProgress;
  CatalogueFrameUnits& frame;
  ItemMenuControl& menu;
  CatalogueDialogs& dialogs;
  ToolStarter& starter;
  DownloadWindowHost& downloadWindow;
  std::function<void()> startWatcher;                           // after a complete load
  std::function<bool(const std::string& address)> openAddress;  // the shell's "open"
};

}  // namespace storvane
