#pragma once

#include "platform/OsVersion.h"
#include "platform/UrlOpener.h"

namespace pellix::platform {

// Platform id 2; major and minor from the kernel release, build number from its third component.
class UnameOsVersion final : public OsVersion {
  public:
    OsVersionInfo query() const override;
    // Parses a kernel release text such as "6.1.0-18-amd64".
    static OsVersionInfo fromRelease(const char* release);
};

class QtUrlOpener final : public UrlOpener {
  public:
    bool open(const QUrl& url) override;
};

}  // namespace pellix::platform
