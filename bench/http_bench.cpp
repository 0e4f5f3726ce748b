// Times HttpFetch reading one URL several times, and for comparison a bare WinHTTP read loop on
// the same URL (the floor set by the system's HTTP stack). Prints each run in milliseconds and
// the medians. Used by bench/http_bench.sh, which adds curl.
// Usage: http_bench.exe <url> [runs]
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "net/http_fetch.h"
#include "net/winhttp_handle.h"
#include "util/win_text.h"

namespace {

using storvane::net::UniqueWinHttpHandle;

double Milliseconds(const std::function<void()>& work) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  work();
  QueryPerformanceCounter(&end);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The least any WinHTTP client does: one request, read what is available until the end.
size_t BareFetch(const std::wstring& url) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), 0, 0, &parts)) return 0;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                            std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  UniqueWinHttpHandle session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0));
  UniqueWinHttpHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  UniqueWinHttpHandle request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, nullptr, nullptr, 0));
  if (!request || !WinHttpSendRequest(request.get(), nullptr, 0, nullptr, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return 0;
  }
  std::vector<char> body, chunk;
  for (;;) {
    DWORD available = 0, got = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available) || available == 0) break;
    chunk.resize(available);
    if (!WinHttpReadData(request.get(), chunk.data(), available, &got)) break;
    body.insert(body.end(), chunk.begin(), chunk.begin() + got);
  }
  return body.size();
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: http_bench <url> [runs]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::vector<double> engine, bare;
  for (int i = 0; i < runs; ++i) {
    storvane::Bytes body;
    std::string status;
    engine.push_back(
        Milliseconds([&] { storvane::net::HttpFetch(argv[1], {.status_text = &status, .body_bytes = &body}); }));
    std::printf("run %d: HttpFetch %.1f ms, %zu bytes, %s\n", i + 1, engine.back(), body.size(), status.c_str());
    size_t bareSize = 0;
    bare.push_back(Milliseconds([&] { bareSize = BareFetch(storvane::GbkToWide(argv[1])); }));
    std::printf("run %d: bare WinHTTP loop %.1f ms, %zu bytes\n", i + 1, bare.back(), bareSize);
  }
  std::printf("median_ms %.1f\n", Median(engine));
  std::printf("bare_median_ms %.1f\n", Median(bare));
  return 0;
}
