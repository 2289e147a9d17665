#pragma once

#include <QString>

namespace wo::profile {

// The folder of the component's read-only resources: $WO_COMPONENT_DIR when set
// (installed layouts), else the folder of the loaded component library.
QString componentFolder();

} // namespace wo::profile
