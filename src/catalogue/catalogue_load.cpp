#include "catalogue/catalogue_load.h"

#include <cstdlib>

#include "catalogue/answer_trust.h"
#include "catalogue/offline_copy.h"
#include "net/decode.h"
#include "net/http_fetch.h"
#include "net/request_object.h"
#include "net/system_proxy.h"
#include "sys/pumping_wait.h"
#include "util/image_format.h"
#include "util/log.h"

namespace storvane {
namespace {

constexpr int kPauseBetweenEntriesMs = 200;

constexpr char kCatalogueAnswerName[] = "zor";

std::string EntryPath(int k, std::string_view key) { return ConcatTexts("data[", ToText(k), "].", key); }

// Parses the answer into `document` and says whether it is one to show. A signed build checks
// the signature here too, so that the kept copy is held to the same rules as the service; only
// the service's answer is held to its expiry (`now`), the kept copy is shown offline.
bool ParseAcceptable(JsonDocument& document, const net::FetchedAnswer& answer, const Catalogue& catalogue,
                     std::optional<int64_t> now) {
  const net::AnswerKey& key = catalogue.answerKey();
  if (key && !net::SignedBy(key, answer.body, answer.signature)) return false;
  if (!document.Parse(PrepareCatalogueText(answer.body), false)) return false;
  const AnswerRules rules{
      kCatalogueAnswerName,
      OldestAcceptable(catalogue.env().runDirectory, kCatalogueAnswerName, catalogue.minPublished()), now};
  const AnswerFault fault = FindAnswerFault(document, key.has_value(), rules);
  if (fault != AnswerFault::kNone) Log("catalogue: an answer refused: " + DescribeAnswerFault(fault));
  return fault == AnswerFault::kNone;
}

// Keeps an accepted answer for the days the service cannot be used: the copy first, then the
// time that stops older answers, so a copy is never older than the record.
void KeepAcceptedAnswer(JsonDocument& document, const net::FetchedAnswer& answer, const Catalogue& catalogue) {
  const std::string& runDirectory = catalogue.env().runDirectory;
  if (!SaveOfflineAnswer(runDirectory, answer) || !catalogue.answerKey()) return;
  if (const std::optional<int64_t> published = PublishedTime(document)) {
    RecordAcceptedTime(runDirectory, kCatalogueAnswerName, *published);
  }
}

// Fills `document` with the catalogue to show: the service's answer when it is acceptable, else
// the kept copy (the catalogue is then offline), else nothing.
void ReadCatalogueAnswer(JsonDocument& document, Catalogue& catalogue) {
  CatalogueEnvironment& env = catalogue.env();
  const std::optional<net::FetchedAnswer> fetched =
      net::FetchAnswer(ConcatTexts(env.serviceBase, kCataloguePath), catalogue.answerKey(), kCatalogueLimits);
  const bool online = fetched && ParseAcceptable(document, *fetched, catalogue, UnixTimeNow());
  catalogue.SetOffline(!online);
  if (online) {
    KeepAcceptedAnswer(document, *fetched, catalogue);
    return;
  }
  const std::optional<net::FetchedAnswer> kept = ReadOfflineAnswer(env.runDirectory);
  const bool shown = kept && ParseAcceptable(document, *kept, catalogue, std::nullopt);
  if (!shown) document.Parse("{}", false);
  Log(shown ? "catalogue: no acceptable answer from the service; the kept copy is shown"
            : "catalogue: no acceptable answer from the service and no usable kept copy");
}

// The icon through the WinHTTP engine with the request component's own header lines, so the
// server sees the request it always saw; the engine's deadline and size limit are its own, and
// the list's window keeps answering while it waits.
Bytes FetchIcon(const std::string& iconAddress, int& status) {
  net::HttpFetchOptions options;
  options.extra_headers = net::BuildRequestObjectHeaderBlock({}, 0, iconAddress, true, true);
  options.add_default_headers = false;
  Bytes icon;
  options.body_bytes = &icon;
  options.deadline_ms = kIconDeadlineMs;
  options.max_body_bytes = kIconMaxBytes;
  options.proxy = net::SystemProxyFor(iconAddress);
  std::string statusText;
  options.status_text = &statusText;
  net::HttpFetch(iconAddress, options);
  status = std::atoi(statusText.c_str());
  return icon;
}

Bytes EntryIcon(const Catalogue& catalogue, const std::string& iconAddress) {
  const std::string& runDirectory = catalogue.env().runDirectory;
  if (iconAddress.empty()) return {};
  if (catalogue.offline()) return ReadOfflineIcon(runDirectory, iconAddress);
  int status = 0;
  Bytes icon = FetchIcon(iconAddress, status);
  // An error page, a portal's login form or a cut-off picture must not replace the last good
  // icon: only a whole picture of a format we know is kept, and otherwise the kept one is shown.
  const bool answered = status >= 200 && status < 300;
  if (answered && ReadImageHeader(icon.data(), icon.size())) {
    SaveOfflineIcon(runDirectory, iconAddress, icon);
    return icon;
  }
  Bytes kept = ReadOfflineIcon(runDirectory, iconAddress);
  if (!kept.empty() || !answered) return kept;
  return icon;
}

}  // namespace

std::string PrepareCatalogueText(std::string_view utf8Body) {
  return ReplaceText(net::Utf8ToLocal(utf8Body), "?{", "{");
}

SoftwareEntry ReadCatalogueEntry(JsonDocument& document, int k) {
  SoftwareEntry e;
  e.name = document.GetText(EntryPath(k, "soft_name"), false);
  e.version = document.GetText(EntryPath(k, "soft_version"), false);
  e.introduction = document.GetText(EntryPath(k, "soft_introduce"), false);
  e.updateTime = document.GetText(EntryPath(k, "soft_time"), false);
  e.storeFolder = document.GetText(EntryPath(k, "soft_store"), false);
  e.executable = document.GetText(EntryPath(k, "soft_process"), false);
  e.downloadAddress = document.GetText(EntryPath(k, "soft_down"), false);
  e.tutorialAddress = document.GetText(EntryPath(k, "soft_edu"), false);
  e.sha256 = document.GetText(EntryPath(k, "soft_sha256"), false);
  e.size = document.GetText(EntryPath(k, "soft_size"), false);
  return e;
}

int LoadCatalogue(Catalogue& catalogue) {
  CatalogueEnvironment& env = catalogue.env();
  JsonDocument document = CreateJsonDocument();
  env.list.LockUpdate();

  ReadCatalogueAnswer(document, catalogue);

  const int count = document.GetCount("data");
  env.loadProgress.SetMaximum(count);
  int added = 0;
  for (int i = 1; i <= count; ++i) {
    const int k = i - 1;
    const std::string iconAddress = document.GetText(EntryPath(k, "soft_ico"), false);
    // The icon is asked for first, as the service sees the requests in this order.
    Bytes icon = EntryIcon(catalogue, iconAddress);
    SoftwareEntry entry = ReadCatalogueEntry(document, k);
    entry.icon = std::move(icon);
    const ItemState state = StateFromDisk(env.runDirectory, entry);
    if (catalogue.Add(std::move(entry), state) >= 0) ++added;
    env.loadProgress.SetPosition(i);
    // Items already in the list can be clicked while the rest loads.
    PumpingWait(kPauseBetweenEntriesMs);
  }
  env.loadProgress.SetPosition(env.loadProgress.GetMaximum());
  env.list.UnlockUpdate();
  if (env.startWatcher) env.startWatcher();
  env.loadProgress.SetVisible(false);
  env.list.SetVisible(true);
  document.Destroy();
  return added;
}

}  // namespace storvane
