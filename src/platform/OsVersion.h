#pragma once

#include <cstdint>

namespace pellix::platform {

// The four numbers of the operating-system version record the main menu shows.
struct OsVersionInfo {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
};

class OsVersion {
  public:
    virtual ~OsVersion() = default;
    // The running system's version numbers.
    virtual OsVersionInfo query() const = 0;
};

}  // namespace pellix::platform
