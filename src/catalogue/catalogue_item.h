// One catalogue entry: its fields, where its tool lives on disk, the installed version stamp,
// and the first state of the item that shows it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/entry_rules.h"
#include "util/text.h"

namespace storvane {

// One entry of the catalogue's "data" array. All texts are GBK.
struct SoftwareEntry {
  Bytes icon;                   // body of the icon request, may be empty
  std::string name;             // soft_name
  std::string version;          // soft_version, as text (a number as its decimal text)
  std::string introduction;     // soft_introduce
  std::string updateTime;       // soft_time
  std::string storeFolder;      // soft_store: the tool's folder under root + "/soft/"
  std::string executable;       // soft_process: the tool's executable in that folder
  std::string downloadAddress;  // soft_down
  std::string tutorialAddress;  // soft_edu
  // The download's expected SHA-256 (64 hex digits) and size in bytes (decimal text); empty when
  // the service does not name them.
  std::string sha256;  // soft_sha256
  std::string size;    // soft_size
};

inline constexpr char kStampFileName[] = "rjbbyz.qn";

// root + "/soft/" + store folder (no trailing separator).
std::string ToolFolder(std::string_view runDirectory, std::string_view storeFolder);
// tool folder + "/" + executable, and tool folder + "/rjbbyz.qn".
std::string ToolExecutablePath(std::string_view runDirectory, std::string_view storeFolder,
                               std::string_view executable);
std::string StampPath(std::string_view runDirectory, std::string_view storeFolder);

// True when a file (not a folder) matches the path; the last part may hold wildcards.
bool FileExistsAt(std::string_view path);

// The installed version: the stamp file's bytes up to the first zero byte, empty when missing.
std::string ReadInstalledVersion(std::string_view runDirectory, std::string_view storeFolder);
// Creates or truncates the stamp and writes exactly the version's bytes. True when all were
// written.
bool WriteInstalledVersion(std::string_view runDirectory, std::string_view storeFolder, std::string_view version);

// The state an item starts in, from what lies on disk: Download without the executable, Open
// when the stamp equals the offered version byte for byte, Update otherwise. An entry whose
// folder or executable is not a plain name is never looked up on disk and reads as not installed.
ItemState StateFromDisk(std::string_view runDirectory, const SoftwareEntry& entry);

}  // namespace storvane
