// The launcher behind the user's proxy: a real forward proxy named in the prefix's Internet
// settings, before a version service that refuses every request that did not come through one.
// The list fills through the proxy; with the proxy gone, the kept list appears in time.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/demo_service_test.h"
#include "app/launcher_driver.h"
#include "support/demo_service.h"

namespace storvane::testing {
namespace {

constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr wchar_t kConnections[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr auto kWindowBound = 6s;
constexpr auto kListBound = 22s;

// The tinyproxy fixture (tests/support/proxy_fixture.sh): its address, its log, and its stop.
struct TestProxy {
  std::wstring stateDir;
  int port = 0;

  static std::optional<TestProxy> Load() {
    const wchar_t* state = _wgetenv(L"STORVANE_TEST_PROXY");
    if (state == nullptr) return std::nullopt;
    TestProxy proxy{HostPathToWindows(state)};
    proxy.port = std::atoi(ReadFileBytes(proxy.stateDir + L"\\port").c_str());
    if (proxy.port <= 0) return std::nullopt;
    return proxy;
  }
  std::string Address() const { return "127.0.0.2:" + std::to_string(port); }
  std::string Log() const { return ReadFileBytes(stateDir + L"\\tinyproxy.log"); }

  bool Listening() const {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(port));
    to.sin_addr.s_addr = htonl(0x7F000002);
    const bool connected = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    closesocket(s);
    return connected;
  }
  // Asks the fixture's keeper to end the proxy and waits until its port refuses connections.
  bool Stop() const {
    return WriteFileBytes(stateDir + L"\\stop", "") && WaitUntil([&] { return !Listening(); }, 10s);
  }
};

// One registry value as it was, put back when the test ends: other test programs share the
// prefix and must find the settings as they left them.
class SavedValue {
public:
  SavedValue(const wchar_t* key, const wchar_t* name) : key_(key), name_(name) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr, &size) !=
        ERROR_SUCCESS) {
      return;
    }
    data_.resize(size);
    existed_ = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type_, data_.data(), &size) ==
               ERROR_SUCCESS;
  }
  ~SavedValue() {
    if (existed_) {
      Set(type_, data_);
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, key_, name_);
    }
  }
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;

  bool Set(DWORD type, const std::vector<BYTE>& data) const {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, key_, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
      return false;
    }
    const bool set = RegSetValueExW(key, name_, 0, type, data.data(), static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
  }
  bool SetText(const std::wstring& text) const {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return Set(REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t)));
  }
  bool SetNumber(DWORD value) const {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    return Set(REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof value));
  }

private:
  const wchar_t* key_;
  const wchar_t* name_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
};

// The binary form WinHTTP reads the user's settings from: version, counter, flags (1 direct,
// 2 named proxy), then the proxy, bypass and script texts each after its length.
std::vector<BYTE> ConnectionSettings(const std::string& proxy, const std::string& bypass) {
  std::vector<BYTE> blob;
  auto add = [&](DWORD value) {
    const BYTE* b = reinterpret_cast<const BYTE*>(&value);
    blob.insert(blob.end(), b, b + 4);
  };
  for (DWORD value : {0x46, 0, 1 | 2}) add(value);
  for (const std::string& text : {proxy, bypass, std::string()}) {
    add(static_cast<DWORD>(text.size()));
    blob.insert(blob.end(), text.begin(), text.end());
  }
  blob.resize(blob.size() + 32, 0);
  return blob;
}

class UserProxy : public DemoServiceTest {
protected:
  void SetUp() override {
    DemoServiceTest::SetUp();
    if (HasFatalFailure()) return;
    auto proxy = TestProxy::Load();
    ASSERT_TRUE(proxy) << "needs the proxy fixture";
    proxy_ = *proxy;
  }

  // The proxy as the settings dialog names it, loopback included ("<-loopback>"): without it
  // the system sends loopback addresses direct.
  void NameTheProxy() {
    const std::string bypass = "<-loopback>";
    ASSERT_TRUE(enable_.SetNumber(1));
    ASSERT_TRUE(server_.SetText(std::wstring(proxy_.Address().begin(), proxy_.Address().end())));
    ASSERT_TRUE(override_.SetText(std::wstring(bypass.begin(), bypass.end())));
    ASSERT_TRUE(connection_.Set(REG_BINARY, ConnectionSettings(proxy_.Address(), bypass)));
  }

  TestProxy proxy_;
  SavedValue enable_{kInternetSettings, L"ProxyEnable"};
  SavedValue server_{kInternetSettings, L"ProxyServer"};
  SavedValue override_{kInternetSettings, L"ProxyOverride"};
  SavedValue connection_{kConnections, L"DefaultConnectionSettings"};
};

TEST_F(UserProxy, TheListFillsThroughTheProxyAndTheKeptOneAppearsWithoutIt) {
  ASSERT_TRUE(service_.Control(R"({"via_only": true})"));
  ASSERT_EQ(service_.Fetch("/api/group/zor").find("soft_name"), std::string::npos) << "a direct request was answered";
  NameTheProxy();

  LauncherDriver behind;
  ASSERT_TRUE(behind.Start(launcherPath_, 30s));
  ASSERT_TRUE(behind.WaitForItems(3, 30s));
  const std::string base = "GET " + service_.Base();
  const std::string log = proxy_.Log();
  for (const char* path : {"/api/single/storvane ", "/api/group/zor ", "/icons/"}) {
    EXPECT_NE(log.find(base + path), std::string::npos) << path << " did not go through the proxy";
  }
  EndStrayProcesses();

  ASSERT_TRUE(proxy_.Stop());
  const auto start = std::chrono::steady_clock::now();
  LauncherDriver stranded;
  ASSERT_TRUE(stranded.Start(launcherPath_, 30s));
  EXPECT_LE(std::chrono::steady_clock::now() - start, kWindowBound);
  ASSERT_TRUE(stranded.WaitForItems(3, kListBound));
  EXPECT_LE(std::chrono::steady_clock::now() - start, kListBound);
}

}  // namespace
}  // namespace storvane::testing
