// A scratch device root for the fuzz targets that read device files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

// The device root of this process: a temporary folder made on first use and removed at exit,
// so that every file reader stays inside it.
const char* ScratchRoot();

// Writes bytes to a device path under the scratch root (folders made as needed).
void PutDeviceFile(const char* devicePath, const uint8_t* data, size_t size);

}  // namespace fuzz
