#include "app/self_update.h"

#include <windows.h>

#include <vector>

#include "app/install_location.h"
#include "catalogue/answer_trust.h"
#include "net/decode.h"
#include "net/http_fetch.h"
#include "net/system_proxy.h"
#include "sys/kill_process.h"
#include "util/crypto.h"
#include "util/handles.h"
#include "util/json_document.h"
#include "util/log.h"
#include "util/small_file.h"
#include "util/text.h"
#include "util/win_text.h"

// The updater's bytes, built before this file and carried in its read-only data.
#ifndef STORVANE_UPDATER_IMAGE
#error "STORVANE_UPDATER_IMAGE must name the built up.exe"
#endif
// The labels carry their assembler names explicitly: C names get a leading underscore on i686
// and none on x86_64.
__asm__(
    ".section .rdata,\"dr\"\n"
    ".balign 16\n"
    "storvane_updater_image_begin:\n"
    ".incbin \"" STORVANE_UPDATER_IMAGE
    "\"\n"
    "storvane_updater_image_end:\n"
    ".text\n");
extern "C" const uint8_t storvane_updater_image_begin[] asm("storvane_updater_image_begin");
extern "C" const uint8_t storvane_updater_image_end[] asm("storvane_updater_image_end");

namespace storvane {

std::span<const uint8_t> CarriedUpdaterImage() {
  return {storvane_updater_image_begin, static_cast<size_t>(storvane_updater_image_end - storvane_updater_image_begin)};
}

bool WriteUpdaterExecutable(std::string_view runDirectory) {
  const std::wstring path = GbkToWide(std::string(runDirectory) + "/up.exe");
  UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const std::span<const uint8_t> image = CarriedUpdaterImage();
  DWORD written = 0;
  return ::WriteFile(file.get(), image.data(), static_cast<DWORD>(image.size()), &written, nullptr) &&
         written == image.size();
}

std::string SelfUpdateAddress(std::string_view serviceBase, std::string_view key) {
  return std::string(serviceBase) + "/api/single/" + std::string(key);
}

UpdateAnswer ReadUpdateAnswer(std::string_view fetchedBody) {
  const std::string body = ReplaceText(net::Utf8ToLocal(fetchedBody), "?{", "{");
  JsonDocument document = CreateJsonDocument();
  document.Parse(body, false);
  UpdateAnswer answer{document.GetText("data[0].soft_version", false), document.GetText("data[0].soft_down", false),
                      document.GetText("data[0].soft_sha256", false), document.GetText("data[0].soft_size", false)};
  document.Destroy();
  return answer;
}

UpdateAnswer CheckForUpdate(std::string_view key, std::string_view serviceBase) {
  net::HttpFetchOptions options;
  options.deadline_ms = kUpdateCheckLimits.deadline_ms;
  options.max_body_bytes = kUpdateCheckLimits.max_body_bytes;
  const std::string address = SelfUpdateAddress(serviceBase, key);
  options.proxy = net::SystemProxyFor(address);
  return ReadUpdateAnswer(net::HttpFetch(address, options));
}

UpdateAnswer CheckForUpdate(std::string_view key, std::string_view serviceBase, const net::AnswerKey& answerKey,
                            int64_t minPublished, std::string_view runDirectory) {
  if (!answerKey) return CheckForUpdate(key, serviceBase);
  const std::optional<net::FetchedAnswer> fetched =
      net::FetchAnswer(SelfUpdateAddress(serviceBase, key), answerKey, kUpdateCheckLimits);
  if (!fetched) {
    Log("self-update: the service's answer is missing, not signed or not in time; no update is known");
    return {};
  }
  JsonDocument document = CreateJsonDocument();
  const bool parsed = document.Parse(ReplaceText(net::Utf8ToLocal(fetched->body), "?{", "{"), false);
  const AnswerRules rules{key, OldestAcceptable(runDirectory, key, minPublished), UnixTimeNow()};
  const AnswerFault fault = parsed ? FindAnswerFault(document, true, rules) : AnswerFault::kNotAnAnswer;
  const std::optional<int64_t> published = PublishedTime(document);
  document.Destroy();
  if (fault != AnswerFault::kNone || !published) {
    Log("self-update: the service's answer is " + DescribeAnswerFault(fault) + "; no update is known");
    return {};
  }
  RecordAcceptedTime(runDirectory, key, *published);
  return ReadUpdateAnswer(fetched->body);
}

bool UpdateNeeded(std::string_view remoteVersion, std::string_view ownVersion) {
  return !remoteVersion.empty() && remoteVersion != ownVersion;
}

std::wstring QuoteArgument(std::wstring_view argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as escapes only in front of a quote.
    if (c == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    quoted += c;
    backslashes = 0;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

std::wstring BuildUpdaterCommandLine(std::string_view runDirectory, std::string_view downloadUrl,
                                     std::string_view executableName, std::string_view remoteVersion,
                                     std::string_view ownVersion, const std::optional<ExpectedDigest>& digest) {
  // The program name is read up to the next quote with no escapes; a path holds no quotes.
  std::wstring line = L"\"" + GbkToWide(std::string(runDirectory) + "/up.exe") + L"\"";
  for (std::string_view argument : {downloadUrl, executableName, remoteVersion, ownVersion}) {
    line += L' ';
    line += QuoteArgument(GbkToWide(argument));
  }
  if (digest) line += L' ' + QuoteArgument(GbkToWide(DigestArgument(*digest)));
  return line;
}

UpdaterHandOver DefaultUpdaterHandOver() {
  UpdaterHandOver handOver;
  handOver.runDirectory = GetRunDirectory();
  handOver.executableName = GetExecutableName();
  handOver.start = [](const std::wstring& program, const std::wstring& commandLine) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
      return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    ::WaitForInputIdle(process.get(), 1000);
    return true;
  };
  handOver.end = [] { KillProcess(); };
  return handOver;
}

std::string ReadInstalledOffer(std::string_view runDirectory, std::string_view executableName) {
  const std::string folder(runDirectory);
  const auto bytes = ReadSmallFile(GbkToWide(folder + "/" + kInstalledOfferFileName));
  if (!bytes) return {};
  return InstalledOfferFor(*bytes, Sha256OfFile(GbkToWide(folder + "/" + std::string(executableName))));
}

bool OfferFailedRecently(std::string_view runDirectory, const UpdateAnswer& offer) {
  const auto bytes = ReadSmallFile(GbkToWide(std::string(runDirectory) + "/" + kFailedOfferFileName));
  if (!bytes) return false;
  const std::optional<ExpectedDigest> digest = NamedDigest(offer.sha256, offer.size);
  return FailedOfferHolds(*bytes, {offer.version, offer.downloadUrl, digest ? DigestArgument(*digest) : std::string()},
                          UnixTimeNow());
}

bool LaunchUpdaterIfNeeded(const UpdateAnswer& offer, std::string_view ownVersion, const UpdaterHandOver& handOver) {
  if (!UpdateNeeded(offer.version, ownVersion)) return false;
  const std::string own(ownVersion);
  if (ReadInstalledOffer(handOver.runDirectory, handOver.executableName) == offer.version) {
    Log("self-update: the service offers \"" + offer.version + "\" again, which up.exe already installed; " +
        "staying on the running launcher (own version \"" + own + "\")");
    return false;
  }
  if (OfferFailedRecently(handOver.runDirectory, offer)) {
    Log("self-update: up.exe could not install \"" + offer.version + "\" from " + offer.downloadUrl +
        " less than a day ago; staying on the running launcher (own version \"" + own + "\")");
    return false;
  }
  Log("self-update: handing over to up.exe for \"" + offer.version + "\" (own version \"" + own + "\") from " +
      offer.downloadUrl);
  const std::wstring program = GbkToWide(handOver.runDirectory + "/up.exe");
  const std::wstring commandLine =
      BuildUpdaterCommandLine(handOver.runDirectory, offer.downloadUrl, handOver.executableName, offer.version,
                              ownVersion, NamedDigest(offer.sha256, offer.size));
  if (!handOver.start || !handOver.start(program, commandLine)) return false;
  if (handOver.end) handOver.end();
  return true;
}

bool LaunchUpdaterIfNeeded(const UpdateAnswer& offer, std::string_view ownVersion) {
  return LaunchUpdaterIfNeeded(offer, ownVersion, DefaultUpdaterHandOver());
}

}  // namespace storvane
