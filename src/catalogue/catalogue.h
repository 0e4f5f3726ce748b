// The catalogue as the program keeps it: one record per list item, in list order, holding the
// entry the item was made from and the state its action button shows. What a click does is
// decided from the record; the list only shows it. The catalogue also owns the three facts that
// outlive a single event: which item the action menu was last opened for, whether an install
// flow runs, and whether the list came from the kept copy because the service could not be used.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/catalogue_environment.h"
#include "catalogue/catalogue_item.h"
#include "catalogue/entry_rules.h"
#include "net/signed_fetch.h"

namespace storvane {

struct CatalogueItem {
  SoftwareEntry entry;  // without its icon, which only the list keeps
  ItemState state = ItemState::Download;
};

// What an action works on: one item's fields, copied when the action starts, so that the
// message boxes and modal windows it opens cannot change which tool it acts on.
struct SelectedEntry {
  int32_t itemIndex = -1;
  std::string name;     // the title before its first " V"
  std::string version;  // the title after its last " V"
  std::string storeFolder;
  std::string executable;
  std::string downloadAddress;
  std::string tutorialAddress;
  std::optional<ExpectedDigest> digest = std::nullopt;  // soft_sha256 and soft_size, when the entry names them
};

// Name and version are read back from the title as the item shows it, as the actions always
// have: the force-close question and the version stamp stay what they were for names and
// versions that hold " V" themselves.
SelectedEntry SelectionOf(const CatalogueItem& item, int32_t itemIndex);

// The version service a catalogue asks: scheme and host in front of "/api/group/zor", and the
// key its answers are checked with (none: trusted as they come) with the oldest publication
// time a signed build takes.
struct VersionService {
  std::string base;
  net::AnswerKey answerKey;
  int64_t minPublished = 0;
};

class Catalogue {
public:
  explicit Catalogue(CatalogueEnvironment& env) : env_(env) {}
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  CatalogueEnvironment& env() const { return env_; }

  // Appends the entry to the list showing `state`; the item's index, -1 when the list refused it.
  int32_t Add(SoftwareEntry entry, ItemState state);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // A copy of the item's record: handlers dispatch messages, during which records change.
  std::optional<CatalogueItem> Item(int32_t item) const;
  // Moves the item to `state` and shows it; nothing for an item that does not exist.
  void SetState(int32_t item, ItemState state);

  // The key the service's answers are checked with; none trusts them as they come. Set once at
  // start-up, before the load.
  const net::AnswerKey& answerKey() const { return answerKey_; }
  void SetAnswerKey(net::AnswerKey key) { answerKey_ = std::move(key); }
  // The oldest publication time a signed build takes, whatever the records beside it say.
  int64_t minPublished() const { return minPublished_; }
  void SetMinPublished(int64_t seconds) { minPublished_ = seconds; }

  // True when the service could not be used and the list came from the copy kept beside the
  // program (or stayed empty): installs and updates cannot be fetched then.
  bool offline() const { return offline_; }
  void SetOffline(bool offline) { offline_ = offline; }

  // The item whose arrow opened the action menu last; -1 before any.
  int32_t menuItem() const { return menuItem_; }
  void SetMenuItem(int32_t item) { menuItem_ = item; }

  // True while an install flow runs: from its first question until it has its result, the
  // question box and the download window dispatch messages, and a click in that moment must
  // not start a second flow.
  bool installInProgress() const { return installInProgress_; }

  // Marks an install flow as running for as long as it lives, also when the flow leaves early.
  class InstallClaim {
  public:
    explicit InstallClaim(Catalogue& catalogue) : catalogue_(catalogue) { catalogue_.installInProgress_ = true; }
    ~InstallClaim() { catalogue_.installInProgress_ = false; }
    InstallClaim(const InstallClaim&) = delete;
    InstallClaim& operator=(const InstallClaim&) = delete;

  private:
    Catalogue& catalogue_;
  };

private:
  CatalogueEnvironment& env_;
  std::vector<CatalogueItem> items_;
  net::AnswerKey answerKey_;
  int64_t minPublished_ = 0;
  bool offline_ = false;
  int32_t menuItem_ = -1;
  bool installInProgress_ = false;
};

}  // namespace storvane
