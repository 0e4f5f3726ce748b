// Where everything sits in the updater's window, for a given DPI. Design units are pixels at
// 96 DPI; every figure scales with the window's DPI.
#pragma once

#include <windows.h>

namespace storvane::updater {

struct UpdaterLayout {
  int dpi = 96;
  SIZE client{};
  RECT titleBar{};      // drag area with the product name
  RECT icon{};          // the product icon in the title bar
  RECT caption{};       // the product name
  RECT closeButton{};   // 46 x 40 glyph button at the right of the bar
  RECT heading{};       // "发现新版本：V…"
  RECT current{};       // "当前版本：V…"
  RECT percent{};       // percentage, right-aligned above the end of the track
  RECT track{};         // progress track, 8 px high
  RECT line{};          // received, total, speed and time left, under the track
  RECT notice{};        // "升级过程中请勿操作软件，等待新版本自动运行"
  RECT link{};          // the manual download link
  RECT startButton{};   // "开始更新"
  int captionFont = 0;  // font heights in pixels
  int headingFont = 0;
  int bodyFont = 0;
  int buttonFont = 0;
  int trackRadius = 0;
  int buttonRadius = 0;
};

// Scales a design figure (pixels at 96 DPI) to `dpi`.
int ScaleToDpi(int designPixels, int dpi);

UpdaterLayout ComputeUpdaterLayout(int dpi);

}  // namespace storvane::updater
