// Test fixture of the base library's file, registry and log tests: each test runs in a device
// root of its own (a temporary folder) with a fresh window core, and can answer message boxes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "plat/windows.h"

namespace vxtest {

// UTF-16 -> code page 949 through the platform's own conversion.
inline std::string Cp949(std::u16string_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_KOREAN, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_KOREAN, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vxbase-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
    plat::win::ResetForTests();
    plat::win::SetAutomationMode(false);
  }
  void TearDown() override {
    plat::win::SetAutomationMode(false);
    plat::win::ResetForTests();
    plat::clock::UseReal();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  std::string HostFile(const std::string& devicePath) const {
    std::string p = devicePath;
    for (char& c : p)
      if (c == '\\') c = '/';
    return root_ + "/" + p;
  }
  bool HostExists(const std::string& devicePath) const { return std::filesystem::exists(HostFile(devicePath)); }
  std::string ReadHost(const std::string& devicePath) const {
    std::ifstream in(HostFile(devicePath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteHost(const std::string& devicePath, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(HostFile(devicePath)).parent_path());
    std::ofstream(HostFile(devicePath), std::ios::binary) << bytes;
  }

  // Runs `action` on a worker thread while boxes wait for an answer; the first box shown is
  // recorded in `box` and answered with OK. False when no box came.
  static bool AnswerBoxDuring(const std::function<void()>& action, plat::win::MessageBoxInfo& box) {
    plat::win::SetAutomationMode(true);
    std::thread worker(action);
    bool shown = plat::win::WaitForMessageBox(&box, 5000);
    if (shown) plat::win::AnswerMessageBox(IDOK, box.hwnd);
    worker.join();
    plat::win::SetAutomationMode(false);
    return shown;
  }

  std::string root_;
};

}  // namespace vxtest
