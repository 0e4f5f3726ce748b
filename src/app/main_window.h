// The main window's design: every unit, its place at the design size (client 900 × 600) and the
// handlers the runtime calls. The catalogue's units carry the names catalogue_window.h gives.
#pragma once

#include "uilib/runtime.h"

namespace storvane {

inline constexpr char kFrameUnit[] = "窗口EX_启动窗口";
inline constexpr char kTitleUnit[] = "标签EX_标题";

// The design; the window is loaded with MainWindowCatalogue::MakerFor as its context maker.
const uilib::WindowDesign& MainWindowDesign();

}  // namespace storvane
