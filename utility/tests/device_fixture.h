// Each test gets its own device root in a temporary folder and the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "plat/windows.h"

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/glimmet-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
  }
  void TearDown() override {
    plat::clock::UseReal();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  // Puts the virtual clock at a local date and time.
  static void SetClock(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    t.wMilliseconds = static_cast<WORD>(ms);
    plat::clock::UseVirtual(plat::clock::MsFromTime(t));
  }
  std::string HostFile(const std::string& name) const { return root_ + "/" + name; }
  std::string ReadHost(const std::string& name) const {
    std::ifstream in(HostFile(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteHost(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(HostFile(name)).parent_path());
    std::ofstream(HostFile(name), std::ios::binary) << bytes;
  }

  std::string root_;
};
