// A private device root per test, and small helpers shared by the kernel tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "plat/kernel.h"

class DeviceRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/larkspin-kernel-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    plat::SetDeviceRoot(root_);
  }
  void TearDown() override {
    plat::clock::UseReal();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  std::string Host(const std::string& relative) const { return root_ + "/" + relative; }

  void WriteHostFile(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path p(Host(relative));
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }

  std::string ReadHostFile(const std::string& relative) const {
    std::ifstream in(Host(relative), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Copies a built program or module into the device root (keeping it executable).
  void Install(const std::string& builtFile, const std::string& relative) const {
    std::filesystem::path p(Host(relative));
    std::filesystem::create_directories(p.parent_path());
    std::filesystem::copy_file(builtFile, p, std::filesystem::copy_options::overwrite_existing);
  }

  std::string root_;
};
