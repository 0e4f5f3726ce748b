// Fetching the catalogue from the version service and filling the software list with it.
#pragma once

#include <string>
#include <string_view>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_item.h"
#include "net/signed_fetch.h"
#include "util/json_document.h"

namespace storvane {

inline constexpr char kCataloguePath[] = "/api/group/zor";
// What the list waits for and takes from the service: the catalogue answer (with its signature)
// and each icon. Past these the kept copy is shown, or the item has no image.
inline constexpr net::AnswerLimits kCatalogueLimits{.deadline_ms = 15000, .max_body_bytes = 4 << 20};
inline constexpr int kIconDeadlineMs = 5000;
inline constexpr size_t kIconMaxBytes = 1 << 20;

// The service's answer as text ready to parse: UTF-8 turned into GBK, and every "?{" (where a
// byte-order mark, which GBK cannot hold, ends up in front of the opening brace) made "{".
std::string PrepareCatalogueText(std::string_view utf8Body);

// Entry k of "data" (0-based), its fields read in their fixed order; the icon is not fetched.
// A missing key gives the empty text.
SoftwareEntry ReadCatalogueEntry(JsonDocument& document, int k);

// The catalogue label's feedback handler, on the user-interface thread: fetches the catalogue,
// adds one item per entry in order in the state the disk gives (fetching each icon, moving the
// load bar, dispatching window messages for 200 ms between entries), then unlocks the list,
// starts the running watcher, hides the load bar and shows the list. An accepted answer and its
// icons are kept beside the program (offline_copy.h). When the service gives no acceptable
// answer (none, not a catalogue, or for a signed build not signed, older than the newest
// accepted, or an entry without digest) the kept copy fills the list with its kept icons and the
// catalogue is offline; without a copy the list stays empty. Either way the list is shown and
// the watcher starts. Returns the number of entries added.
int LoadCatalogue(Catalogue& catalogue);

}  // namespace storvane
