// The push button (ButtonEx): its caption centred in a rounded box, drawn like the list's action
// buttons. A press by the mouse, by Space or Enter while it has the keyboard focus, or by an
// accessibility client's default action raises EXUI_EV_CLICK; Escape, which a button has no use
// for, is handed on as EXUI_EV_KEY so that the window around it can act on it.
#pragma once

#include "control.h"
#include "skin.h"

namespace storvane::exui {

class PushButton final : public Control {
public:
  PushButton();

  AccInfo AccSelf() const override;
  bool AccDoDefault(int index) override;

protected:
  void Paint(Gdiplus::Graphics& g, float width, float height) override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  long AccRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }

private:
  void Press();

  ButtonLook look_;
  bool down_ = false;     // the mouse button went down on it and has not come up
  bool focused_ = false;  // it has the keyboard focus
};

}  // namespace storvane::exui
