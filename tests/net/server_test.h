// Shared by the tests of both request engines: a fixture on the loopback test server, reset
// before each test, and readers of what the server saw.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/test_server.h"

namespace storvane::nettest {

class ServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto loaded = testsupport::TestServer::Load();
    ASSERT_TRUE(loaded) << "STORVANE_TEST_SERVER not set or ports file missing";
    server_ = *loaded;
    ASSERT_TRUE(server_.Reset());
  }

  // The only request the server saw since SetUp.
  testsupport::RecordedRequest OnlyRequest() {
    auto log = server_.Requests();
    EXPECT_EQ(log.size(), 1u);
    return log.empty() ? testsupport::RecordedRequest{} : log.back();
  }

  // Header lines that the engine itself chose: everything but what WinHTTP adds on its own.
  static std::vector<std::string> EngineHeaders(const testsupport::RecordedRequest& r) {
    std::vector<std::string> out;
    for (const std::string& line : r.headers) {
      std::string name = line.substr(0, line.find(':'));
      if (name == "Host" || name == "Content-Length" || name == "Connection") continue;
      out.push_back(line);
    }
    return out;
  }

  testsupport::TestServer server_;
};

// Counts the ticks of a 50 ms thread timer while it lives: ticks arrive only while the thread
// dispatches its window messages.
class TimerTicks {
public:
  TimerTicks() {
    count_ = 0;
    id_ = SetTimer(nullptr, 0, 50, &Tick);
  }
  ~TimerTicks() { KillTimer(nullptr, id_); }
  int count() const { return count_; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ++count_; }
  static inline int count_ = 0;
  UINT_PTR id_ = 0;
};

// Milliseconds since construction.
class Stopwatch {
public:
  ULONGLONG ms() const { return GetTickCount64() - start_; }

private:
  ULONGLONG start_ = GetTickCount64();
};

}  // namespace storvane::nettest
