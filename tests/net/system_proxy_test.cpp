// The proxy the user's Internet settings name: the rules of proxy and bypass lists, and the
// settings read back from the current user's registry as Windows' own settings dialog writes
// them.
#include "net/system_proxy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace storvane::net {
namespace {

TEST(ProxyLists, PickTheEntryForTheSchemeAndBypassWhatTheListNames) {
  EXPECT_EQ(ProxyFromList("proxy.lan:8080", false), "proxy.lan:8080");
  EXPECT_EQ(ProxyFromList("http=a:1;https=b:2", true), "b:2");
  EXPECT_EQ(ProxyFromList("HTTP=a:1 https=b:2", false), "a:1");
  EXPECT_EQ(ProxyFromList("ftp=c:3", false), "");
  EXPECT_EQ(ProxyFromList("", true), "");

  EXPECT_TRUE(ProxyBypassed("*.corp.example;intranet", "files.corp.example"));
  EXPECT_TRUE(ProxyBypassed("*.CORP.example", "a.corp.EXAMPLE"));
  EXPECT_TRUE(ProxyBypassed("<local>", "printer"));
  EXPECT_FALSE(ProxyBypassed("<local>", "service.example"));
  EXPECT_TRUE(ProxyBypassed("http://intranet, other", "intranet"));
  EXPECT_FALSE(ProxyBypassed("*.corp.example", "corp.example.attacker"));
  // Loopback never goes through a proxy unless the list asks for it.
  EXPECT_TRUE(ProxyBypassed("", "127.0.0.1"));
  EXPECT_TRUE(ProxyBypassed("", "localhost"));
  EXPECT_FALSE(ProxyBypassed("<-loopback>", "127.0.0.1"));
}

// DefaultConnectionSettings: version, counter, flags, then the proxy, bypass and script texts
// each after its length, then reserved bytes.
void WriteConnectionSettings(DWORD flags, const std::string& proxy, const std::string& bypass,
                             const std::string& script) {
  std::vector<BYTE> blob;
  auto add = [&](DWORD value) {
    const BYTE* b = reinterpret_cast<const BYTE*>(&value);
    blob.insert(blob.end(), b, b + 4);
  };
  auto addText = [&](const std::string& text) {
    add(static_cast<DWORD>(text.size()));
    blob.insert(blob.end(), text.begin(), text.end());
  };
  add(0x46);
  add(0);
  add(flags);
  addText(proxy);
  addText(bypass);
  addText(script);
  blob.resize(blob.size() + 32, 0);
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER,
                              L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections", 0,
                              nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(key, L"DefaultConnectionSettings", 0, REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
  ::RegCloseKey(key);
}

class UserProxySettings : public ::testing::Test {
protected:
  // Back to no settings at all: other test programs of the prefix go direct again.
  void TearDown() override {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER,
                         L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
                         L"DefaultConnectionSettings");
  }
};

constexpr DWORD kDirect = 1, kNamedProxy = 2;

TEST_F(UserProxySettings, ANamedProxyServesEveryHostItsBypassListLeavesOut) {
  // Loopback is named in the bypass list too: test programs running beside this one must keep
  // reaching their servers directly.
  WriteConnectionSettings(kDirect | kNamedProxy, "http=127.0.0.1:3128;https=127.0.0.1:3129",
                          "127.0.0.1;localhost;*.lan", "");
  EXPECT_EQ(SystemProxyFor("http://service.example/api/group/zor"), "127.0.0.1:3128");
  EXPECT_EQ(SystemProxyFor("https://service.example/api/group/zor"), "127.0.0.1:3129");
  EXPECT_EQ(SystemProxyFor("http://nas.lan/icon.png"), "");
  EXPECT_EQ(SystemProxyFor("not an address"), "");
}

TEST_F(UserProxySettings, WithoutAProxyOrWithOneSwitchedOffRequestsGoDirect) {
  EXPECT_EQ(SystemProxyFor("http://service.example/"), "");
  WriteConnectionSettings(kDirect, "127.0.0.1:3128", "127.0.0.1;localhost", "");
  EXPECT_EQ(SystemProxyFor("http://service.example/"), "");
}

}  // namespace
}  // namespace storvane::net
