// The catalogue's unit interfaces over the real units of the skin-UI runtime. Each call finds
// the unit's control afresh (its window, then the library's bound control), so an adapter never
// holds on to a control that may have gone.
#pragma once

#include <windows.h>

#include "catalogue/catalogue_environment.h"
#include "catalogue/catalogue_view.h"
#include "uilib/runtime.h"

namespace storvane {

class UnitItemList : public ItemListControl {
public:
  explicit UnitItemList(uilib::Unit& list) : list_(list) {}

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
  void SetItemWidth(int32_t width) override;
  void SetSize(int32_t width, int32_t height) override;
  void SetVisible(bool visible) override;
  void SetFocus() override;

private:
  ExuiControl Control() const;
  uilib::Unit& list_;
};

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
