// The sample device data as a test's own device root: copies the installed files of a fresh
// handheld into a folder and points the configuration at the test's server ports.
#pragma once

#include <string>

namespace devicedata {

struct Options {
  int mainPort = 28100;     // [SERVER INFO] "MAIN PORT NUMBER"
  int versionPort = 28101;  // [SERVER INFO] "VERMAN PORT NUMBER"
  // Also copy the simulated trading server's certificate as "\pelvato.der", for a device that
  // starts with one (false: the device receives it at its first key exchange).
  bool certificate = false;
  // Leave out the local version list, so the updater finds every served file new.
  bool withoutVersionList = false;
};

// Host folder of the committed sample device files (…/tools/device-data/device).
std::string SourceDir();

// Copies every sample device file into hostRoot (created when missing; files already there are
// replaced) and writes the two ports into its "Program Files/Quorvan/Bin/Pelvato.conf", keeping
// the file's CR LF line ends. Returns false with a reason in err.
bool CopyTo(const std::string& hostRoot, const Options& options, std::string& err);

}  // namespace devicedata
