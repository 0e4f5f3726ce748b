#include "catalogue/catalogue_load.h"

#include "catalogue/answer_trust.h"
#include "catalogue/offline_copy.h"
#include "net/decode.h"
#include "net/request_object.h"
#include "sys/pumping_wait.h"
#include "util/com.h"
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
      net::FetchAnswer(ConcatTexts(env.serviceBase, kCataloguePath), catalogue.answerKey());
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

Bytes EntryIcon(const Catalogue& catalogue, const std::string& iconAddress, IDispatch* request) {
  const std::string& runDirectory = catalogue.env().runDirectory;
  if (iconAddress.empty()) return {};
  if (catalogue.offline()) return ReadOfflineIcon(runDirectory, iconAddress);
  int status = 0;
  net::RequestObjectOptions options;
  options.status_code = &status;
  options.request_object = request;
  Bytes icon = net::RequestObjectFetch(iconAddress, options);
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
  // One request object for every icon: each icon is the same GET as with an object of its own,
  // but the connection to the server is kept from one to the next instead of made anew, which
  // was most of an icon's time. Without it, each request makes its own object as before.
  ComInit com;
  const ComPtr<IDispatch> iconRequest =
      count > 0 && !catalogue.offline() ? CreateObject("WinHttp.WinHttpRequest.5.1") : ComPtr<IDispatch>();
  int added = 0;
  for (int i = 1; i <= count; ++i) {
    const int k = i - 1;
    const std::string iconAddress = document.GetText(EntryPath(k, "soft_ico"), false);
    // The icon is asked for first, as the service sees the requests in this order.
    Bytes icon = EntryIcon(catalogue, iconAddress, iconRequest.get());
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
