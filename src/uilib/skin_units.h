// Skinned units: each one is a host window of our own (class named after the unit type) that
// stands for the unit in the window tree, plus the library's control, which lives inside the
// host. The host keeps the control in step when it moves or changes size and destroys it with
// itself; the library reports the control's events through ForwardSkinEvent.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "exui_api.h"
#include "uilib/skin_commands.h"

namespace storvane::uilib {

// Library event codes from this value up are the library's own business and reach no unit.
inline constexpr std::int32_t kFirstPrivateEventCode = 700;
// Library code c of a unit arrives at the runtime as event c − 660 + the type's event offset.
inline constexpr std::int32_t kEventCodeBase = 660;

// Event offset of a type. The library's codes already differ by what they mean, so every type
// shares one numbering (offset 0): event 1 is a click, 6 a focus change, 7 a size change, …
int SkinEventOffset(SkinType type);

// Window class name of a type: "WindowEx", "LabelEx", "PictureBoxEx", "ProgressbarEx",
// "IcoListboxEx", "MinutesboxEx", "ButtonEx".
const wchar_t* SkinClassName(SkinType type);

// Registers the type's class once (redraw on resize, double clicks, arrow cursor).
bool RegisterSkinClass(SkinType type);

// Creates a unit: the host window as a child of `parent` at the given place (property "hUnit" =
// record.unitRecord, and "PageId_F" when the unit lies on a page), then the library's control
// with the 23 creation values. `record` is the caller's and must stay where it is while the
// control lives; its host window is filled in here. When the library's window entry is not bound,
// the user is told that the library is missing. Returns the host window, null when even that
// cannot be made.
HWND CreateSkinnedUnit(SkinType type, HWND parent, int left, int top, int width, int height, bool visible,
                       ExuiEventRecord& record, std::optional<int> page = std::nullopt);

// The event routine given to the library.
int EXUI_CALL ForwardSkinEvent(void* eventRecord, std::int32_t code, std::int32_t a, std::int32_t b, std::int32_t c,
                               std::int32_t d);

// Implemented by the unit runtime: runs the handler of event `event` of the unit whose record is
// `unitRecord` and returns its result (0 when it has none).
int DispatchUnitEvent(void* unitRecord, int event, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);

// Implemented by the unit runtime: the unit's host window is going away; the unit must not be
// reached through it any more.
void ReleaseUnitRecord(void* unitRecord);

}  // namespace storvane::uilib
