#include "devicedata/sample_device.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace devicedata {

namespace {

bool readFile(const fs::path& p, std::string& out) {
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool writeFile(const fs::path& p, const std::string& data) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << data;
  return static_cast<bool>(out.flush());
}

// Replaces the value of "KEY=value" lines (the key at the start of a line) with value.
bool setValue(std::string& text, const std::string& key, const std::string& value) {
  bool found = false;
  for (size_t at = 0; (at = text.find(key + "=", at)) != std::string::npos; ++at) {
    if (at != 0 && text[at - 1] != '\n') continue;
    size_t from = at + key.size() + 1, end = text.find("\r\n", from);
    if (end == std::string::npos) end = text.size();
    text.replace(from, end - from, value);
    found = true;
  }
  return found;
}

}  // namespace

std::string SourceDir() { return LARKSPIN_DEVICE_DATA_SOURCE; }

bool CopyTo(const std::string& hostRoot, const Options& options, std::string& err) {
  if (options.mainPort <= 0 || options.mainPort > 65535 || options.versionPort <= 0 || options.versionPort > 65535) {
    err = "ports must be 1 to 65535";
    return false;
  }
  std::error_code ec;
  fs::path root(hostRoot), source(SourceDir());
  fs::create_directories(root / "Temp", ec);
  if (ec) {
    err = "cannot create " + (root / "Temp").string() + ": " + ec.message();
    return false;
  }
  for (auto it = fs::recursive_directory_iterator(source, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::path rel = fs::relative(it->path(), source);
    if (it->is_directory()) {
      fs::create_directories(root / rel, ec);
    } else if (!(options.withoutVersionList && rel.filename() == "verlist.dat")) {
      fs::copy_file(it->path(), root / rel, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) {
      err = "cannot copy " + rel.string() + ": " + ec.message();
      return false;
    }
  }
  if (ec) {
    err = "cannot read " + source.string() + ": " + ec.message();
    return false;
  }
  if (options.certificate) {
    fs::copy_file(LARKSPIN_SERVER_CERTIFICATE, root / "pelvato.der", fs::copy_options::overwrite_existing, ec);
    if (ec) {
      err = std::string("cannot copy the certificate ") + LARKSPIN_SERVER_CERTIFICATE + ": " + ec.message();
      return false;
    }
  }
  fs::path conf = root / "Program Files" / "Quorvan" / "Bin" / "Pelvato.conf";
  std::string text;
  if (!readFile(conf, text) || !setValue(text, "MAIN PORT NUMBER", std::to_string(options.mainPort)) ||
      !setValue(text, "VERMAN PORT NUMBER", std::to_string(options.versionPort)) || !writeFile(conf, text)) {
    err = "cannot set the ports in " + conf.string();
    return false;
  }
  return true;
}

}  // namespace devicedata
