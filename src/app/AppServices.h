#pragma once

#include "platform/Services.h"

#include <memory>

namespace pellix::app {

// The real platform services of the running program, owned in one place.
class AppServices {
  public:
    AppServices();
    ~AppServices();
    platform::Services& services() { return services_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    platform::Services services_;
};

// Folder of the default settings files: PELLIX_DATA_DIR when set, else the installed data
// folder beside the executable, else the build tree's.
QString findDefaultsDir();

}  // namespace pellix::app
