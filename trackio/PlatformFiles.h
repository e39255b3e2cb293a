#pragma once

// What FileAccess.cpp, the loading and saving every system shares, has in common with the
// system calls beneath it: FileAccessPosix.cpp or FileAccessWindows.cpp, whichever the build
// takes for its system. Each of those defines the steps of FileOps, PathFromUtf8, Utf8FromPath,
// DescriptorNamedBy and StandardOutput (FileAccess.h), PreferLargePages (TrackBuffer.h) and the
// constant below. Only these three files include this header, each beside FileAccess.h, which
// this header leaves to them so that it never leads back to FileAccess.cpp's own header.

#include <filesystem>

namespace qu {

namespace fs = std::filesystem;

// Whether the system takes some names for devices in every folder (see IsWindowsDeviceName).
extern const bool kDeviceNamesAreReserved;

}  // namespace qu
