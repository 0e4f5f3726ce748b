// The skinned frame of a top-level window (WindowEx): white face, hairline border, its own
// title bar with caption, minimise and close glyph buttons, and dragging the window by the bar.
#pragma once

#include <memory>

#include "control.h"
#include "image.h"

namespace storvane::exui {

class WindowFrame final : public Control {
public:
  WindowFrame();

  bool SetAttribute(int id, ExuiValue value) override;
  ExuiValue GetAttribute(int id) override;

  enum Button { kNone = 0, kMinimise = 1, kClose = 2 };
  // The glyph button's rectangle in client pixels (empty when the button is not shown).
  RECT ButtonRect(Button button) const;
  // Presses a glyph button as a click would (raises the event, then the default reaction).
  void PressButton(Button button);

  int AccChildCount() const override { return 2; }
  bool AccChild(int index, AccInfo& out) const override;
  bool AccDoDefault(int index) override;

protected:
  void Paint(Gdiplus::Graphics& g, float width, float height) override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  long AccRole() const override { return ROLE_SYSTEM_PANE; }

private:
  float TitleHeight() const;
  Button ButtonAt(POINT client) const;
  void SetHotButton(Button button);
  std::wstring CaptionText() const;

  int titleHeight_ = 40;
  int buttons_ = 3;
  std::shared_ptr<Image> icon_;
  Button hotButton_ = kNone;
  Button pressedButton_ = kNone;
  bool dragging_ = false;
  POINT dragStart_{};
  RECT rootStart_{};
};

}  // namespace storvane::exui
