// The display-only controls: label (LabelEx), picture box (PictureBoxEx) and group box
// (MinutesboxEx). They draw and report clicks; nothing in them is edited by the user.
#pragma once

#include <memory>

#include "control.h"
#include "image.h"

namespace storvane::exui {

class Label final : public Control {
public:
  Label();
  bool SetAttribute(int id, ExuiValue value) override;
  ExuiValue GetAttribute(int id) override;

protected:
  void Paint(Gdiplus::Graphics& g, float width, float height) override;
  long AccRole() const override { return ROLE_SYSTEM_STATICTEXT; }

private:
  int format_ = EXUI_TEXT_VCENTER;
};

class PictureBox final : public Control {
public:
  PictureBox();
  bool SetAttribute(int id, ExuiValue value) override;
  ExuiValue GetAttribute(int id) override;

protected:
  void Paint(Gdiplus::Graphics& g, float width, float height) override;
  long AccRole() const override { return ROLE_SYSTEM_GRAPHIC; }

private:
  std::shared_ptr<Image> image_;
  int mode_ = 0;
};

class GroupBox final : public Control {
public:
  GroupBox();
  bool SetAttribute(int id, ExuiValue value) override;
  ExuiValue GetAttribute(int id) override;

protected:
  void Paint(Gdiplus::Graphics& g, float width, float height) override;
  long AccRole() const override { return ROLE_SYSTEM_GROUPING; }

private:
  int radius_ = 6;
};

// The picture drawn where no image was given: a download arrow in a soft accent circle, the
// download window's illustration.
void DrawDownloadIllustration(Gdiplus::Graphics& g, const Gdiplus::RectF& box, float scale);

}  // namespace storvane::exui
