#include "catalogue/catalogue_load.h"

#include "net/decode.h"
#include "net/http_fetch.h"
#include "net/request_object.h"
#include "sys/pumping_wait.h"

namespace storvane {
namespace {

constexpr int kPauseBetweenEntriesMs = 200;

std::string EntryPath(int k, std::string_view key) { return ConcatTexts("data[", ToText(k), "].", key); }

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

  const std::string body = net::HttpFetch(ConcatTexts(env.serviceBase, kCataloguePath));
  document.Parse(PrepareCatalogueText(body), false);

  const int count = document.GetCount("data");
  env.loadProgress.SetMaximum(count);
  int added = 0;
  for (int i = 1; i <= count; ++i) {
    const int k = i - 1;
    const std::string iconAddress = document.GetText(EntryPath(k, "soft_ico"), false);
    // The icon is asked for first, as the service sees the requests in this order.
    Bytes icon = iconAddress.empty() ? Bytes{} : net::RequestObjectFetch(iconAddress);
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
