#pragma once

#include <QString>

namespace wo::profile {

// The folder of the component's read-only resources: $WO_COMPONENT_DIR when set
// (installed layouts), else the folder of the loaded component library.
QString componentFolder();
// The folder of the loaded component library itself, where its programs lie.
QString moduleFolder();

} // namespace wo::profile
