// The starting point of the launcher's end-to-end tests: the demo service answering with its
// shipped offer, no launcher or tool left running by an earlier test, and a fresh copy of the
// launcher in its install directory.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/demo_service.h"

namespace storvane::testing {

// `Base` is the GoogleTest fixture type underneath (::testing::TestWithParam<T> for parametrised
// tests).
template <typename Base = ::testing::Test>
class DemoServiceTestOn : public Base {
protected:
  void SetUp() override {
    auto service = DemoService::Load();
    ASSERT_TRUE(service) << "needs the demo service fixture";
    service_ = *service;
    ASSERT_TRUE(service_.ResetOffer());
    EndStrayProcesses();
    launcherPath_ = InstallLauncher();
  }
  void TearDown() override {
    EndStrayProcesses();
    service_.ResetOffer();
  }

  DemoService service_;
  std::wstring launcherPath_;
};

using DemoServiceTest = DemoServiceTestOn<>;

}  // namespace storvane::testing
