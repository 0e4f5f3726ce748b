#include "static_controls.h"

#include <algorithm>
#include <cmath>

#include "library.h"

namespace storvane::exui {

namespace {

constexpr uint32_t kLabelText = 0xFF333333;
constexpr uint32_t kAccent = 0xFF2D8CF0;
constexpr uint32_t kGroupBorder = 0xFFE6E6E6;
constexpr uint32_t kGroupTitle = 0xFF606060;

}  // namespace

// ---- Label ------------------------------------------------------------------------------

Label::Label() : Control(EXUI_TYPE_LABEL) {}

bool Label::SetAttribute(int id, ExuiValue value) {
  if (id == EXUI_ATTR_TEXT_FORMAT) {
    format_ = static_cast<int32_t>(value);
    Invalidate();
    return true;
  }
  return Control::SetAttribute(id, value);
}

ExuiValue Label::GetAttribute(int id) { return id == EXUI_ATTR_TEXT_FORMAT ? format_ : Control::GetAttribute(id); }

void Label::Paint(Gdiplus::Graphics& g, float width, float height) {
  uint32_t colour = Disabled() ? 0xFFC0C0C0 : textColour_;
  DrawTextIn(g, CaptionWide(), Font(), ArgbOr(colour, kLabelText), Gdiplus::RectF(0, 0, width, height), format_);
}

// ---- Picture box ------------------------------------------------------------------------

PictureBox::PictureBox() : Control(EXUI_TYPE_PICTUREBOX) {}

bool PictureBox::SetAttribute(int id, ExuiValue value) {
  switch (id) {
    case EXUI_ATTR_IMAGE:
      image_ = Library::Instance().FindImage(static_cast<ExuiImage>(value));
      Invalidate();
      return value == 0 || image_ != nullptr;
    case EXUI_ATTR_IMAGE_MODE:
      mode_ = std::clamp(static_cast<int32_t>(value), 0, 2);
      Invalidate();
      return true;
    default:
      return Control::SetAttribute(id, value);
  }
}

ExuiValue PictureBox::GetAttribute(int id) {
  switch (id) {
    case EXUI_ATTR_IMAGE:
      return image_ ? 1 : 0;
    case EXUI_ATTR_IMAGE_MODE:
      return mode_;
    default:
      return Control::GetAttribute(id);
  }
}

void DrawDownloadIllustration(Gdiplus::Graphics& g, const Gdiplus::RectF& box, float scale) {
  float side = std::min(box.Width, box.Height);
  if (side <= 4.0f) return;
  float cx = box.X + box.Width / 2.0f;
  float cy = box.Y + box.Height / 2.0f;
  float r = side / 2.0f;
  Gdiplus::SolidBrush halo(Gdiplus::Color(0xFF, 0xEA, 0xF3, 0xFE));
  g.FillEllipse(&halo, cx - r, cy - r, 2 * r, 2 * r);
  float stroke = std::max(2.0f * scale, side / 16.0f);
  Gdiplus::Pen pen(Argb(kAccent), stroke);
  pen.SetStartCap(Gdiplus::LineCapRound);
  pen.SetEndCap(Gdiplus::LineCapRound);
  pen.SetLineJoin(Gdiplus::LineJoinRound);
  float a = r * 0.42f;
  // Shaft, arrow head and the tray it drops into.
  g.DrawLine(&pen, cx, cy - a, cx, cy + a * 0.45f);
  Gdiplus::PointF head[3] = {{cx - a * 0.5f, cy - a * 0.05f}, {cx, cy + a * 0.45f}, {cx + a * 0.5f, cy - a * 0.05f}};
  g.DrawLines(&pen, head, 3);
  Gdiplus::PointF tray[4] = {{cx - a, cy + a * 0.35f}, {cx - a, cy + a}, {cx + a, cy + a}, {cx + a, cy + a * 0.35f}};
  g.DrawLines(&pen, tray, 4);
}

void PictureBox::Paint(Gdiplus::Graphics& g, float width, float height) {
  if (!image_) {
    float side = std::min(width, height) * 0.8f;
    DrawDownloadIllustration(g, Gdiplus::RectF((width - side) / 2, (height - side) / 2, side, side), Scale());
    return;
  }
  float iw = static_cast<float>(image_->Width());
  float ih = static_cast<float>(image_->Height());
  Gdiplus::RectF target(0, 0, width, height);
  if (mode_ == 0) {
    float k = std::min(width / iw, height / ih);
    target = Gdiplus::RectF((width - iw * k) / 2, (height - ih * k) / 2, iw * k, ih * k);
  } else if (mode_ == 2) {
    target = Gdiplus::RectF((width - iw) / 2, (height - ih) / 2, iw, ih);
  }
  // Rounded to the nearest pixel: a centred picture larger than its box starts at a negative place.
  const int tw = std::max(1, static_cast<int>(std::lround(target.Width)));
  const int th = std::max(1, static_cast<int>(std::lround(target.Height)));
  if (auto* bitmap = image_->Scaled(tw, th)) {
    g.DrawImage(bitmap, static_cast<INT>(std::lround(target.X)), static_cast<INT>(std::lround(target.Y)), tw, th);
  }
}

// ---- Group box --------------------------------------------------------------------------

GroupBox::GroupBox() : Control(EXUI_TYPE_MINUTESBOX) {}

bool GroupBox::SetAttribute(int id, ExuiValue value) {
  if (id == EXUI_ATTR_RADIUS) {
    radius_ = std::clamp(static_cast<int32_t>(value), 0, 64);
    Invalidate();
    return true;
  }
  return Control::SetAttribute(id, value);
}

ExuiValue GroupBox::GetAttribute(int id) { return id == EXUI_ATTR_RADIUS ? radius_ : Control::GetAttribute(id); }

void GroupBox::Paint(Gdiplus::Graphics& g, float width, float height) {
  float s = Scale();
  Gdiplus::RectF frame(0, 0, width, height);
  const std::wstring& title = CaptionWide();
  Gdiplus::Font* font = Font();
  float titleWidth = 0;
  if (!title.empty() && font != nullptr) {
    // The title sits on the top border line, which is moved down to its middle.
    float line = LineHeight(g, font);
    frame.Y = line / 2.0f;
    frame.Height -= frame.Y;
    titleWidth = MeasureLine(g, title, font).Width;
  }
  StrokeRoundRect(g, ArgbOr(borderColour_, kGroupBorder), 1.0f, frame, radius_ * s);
  if (titleWidth > 0) {
    float x = 12.0f * s;
    float line = LineHeight(g, font);
    Gdiplus::SolidBrush gap(Argb(BackdropColour()));
    g.FillRectangle(&gap, x - 4.0f * s, 0.0f, titleWidth + 8.0f * s, line);
    DrawTextIn(g, title, font, ArgbOr(textColour_, kGroupTitle), Gdiplus::RectF(x, 0, titleWidth + 2.0f, line),
               EXUI_TEXT_SINGLELINE | EXUI_TEXT_VCENTER);
  }
}

}  // namespace storvane::exui
