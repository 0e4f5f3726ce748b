// The progress bar (ProgressbarEx): an 8 px rounded track with an accent fill. Range and
// position may be set from any thread (the download worker sets them directly); the bar
// repaints on its own thread and eases to a new position within two frames.
#pragma once

#include <atomic>

#include "control.h"

namespace storvane::exui {

class ProgressBar final : public Control {
public:
  ProgressBar();
  bool SetAttribute(int id, ExuiValue value) override;
  ExuiValue GetAttribute(int id) override;

  // Fraction of the range the position stands at, 0..1 (an empty range counts as 0).
  double Fraction() const;
  AccInfo AccSelf() const override;

protected:
  void Paint(Gdiplus::Graphics& g, float width, float height) override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  long AccRole() const override { return ROLE_SYSTEM_PROGRESSBAR; }

private:
  void PositionChanged();

  std::atomic<int32_t> min_{0};
  std::atomic<int32_t> max_{100};
  std::atomic<int32_t> position_{0};
  std::atomic<bool> animate_{true};
  std::atomic<bool> tickPending_{false};
  double shown_ = 0.0;  // fraction on screen; user-interface thread only
  int radius_ = 4;
  uint32_t accent_ = 0;
};

}  // namespace storvane::exui
