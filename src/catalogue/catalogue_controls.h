// The catalogue's other unit interfaces over the real units of the skin-UI runtime (the list has
// a file of its own, catalogue_list.h), and the runtime's message boxes and process start.
#pragma once

#include <windows.h>

#include "catalogue/catalogue_environment.h"
#include "catalogue/catalogue_view.h"
#include "uilib/runtime.h"

namespace storvane {

class UnitProgressBar : public ProgressBarControl {
public:
  explicit UnitProgressBar(uilib::Unit& bar) : bar_(bar) {}
  void SetMaximum(int32_t maximum) override { bar_.SetRangeMax(maximum); }
  int32_t GetMaximum() override { return bar_.RangeMax(); }
  void SetPosition(int32_t position) override { bar_.SetPosition(position); }
  void SetVisible(bool visible) override { bar_.SetVisible(visible); }
  void MoveTo(int32_t left, int32_t top) override;

private:
  uilib::Unit& bar_;
};

class UnitFrame : public CatalogueFrameUnits {
public:
  UnitFrame(uilib::Unit& groupBox, uilib::Unit& diskLabel) : groupBox_(groupBox), diskLabel_(diskLabel) {}
  void SetGroupBoxSize(int32_t width, int32_t height) override;
  void FocusGroupBox() override;
  void SetDiskLabelPlace(int32_t top, int32_t width) override;

private:
  uilib::Unit& groupBox_;
  uilib::Unit& diskLabel_;
};

// The runtime's task-modal message boxes.
class RuntimeDialogs : public CatalogueDialogs {
public:
  bool AskYesNo(const std::string& text, const std::string& caption) override;
  void Notice(const std::string& text, const std::string& caption) override;
};

class ProcessToolStarter : public ToolStarter {
public:
  bool Start(const std::string& commandLine) override;
};

}  // namespace storvane
