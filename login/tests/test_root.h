// A temporary device root per test, with the helpers the login tests share.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "plat/windows.h"

namespace logintest {

inline std::string MakeTempRoot() {
  char tmpl[] = "/tmp/login_test_XXXXXX";
  char* dir = mkdtemp(tmpl);
  return dir ? std::string(dir) : std::string();
}

inline void WriteFile(const std::string& path, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << content;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

inline std::string Utf8(const std::u16string& s) {
  char buf[2048];
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
  return n > 0 ? std::string(buf) : std::string();
}

inline const char kBin[] = "/Program Files/Quorvan/Bin/";

}  // namespace logintest
