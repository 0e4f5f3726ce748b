// The JavaScript that every JSON document's engine runs once after it is created: the helper
// functions the document's statements call by name, and a JSON implementation for script
// engines that have no JSON object of their own.
#pragma once

#include <string_view>

namespace storvane {

// ASCII-only program text, handed to the engine's AddCode as it stands.
std::wstring_view JsonSetupScript();

}  // namespace storvane
