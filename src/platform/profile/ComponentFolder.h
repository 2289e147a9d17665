#pragma once

#include "wo_internal_export.h"

#include <QString>

namespace wo::profile {

// The folder of the component's read-only resources: $WO_COMPONENT_DIR when set
// (installed layouts), else the folder of the loaded component library.
WO_INTERNAL QString componentFolder();
// The folder of the component's module and programs: the folder WO_COMPONENT_SUBDIR
// beside the loaded core library when there is one (installed), else the core
// library's own folder (the build tree).
QString moduleFolder();

} // namespace wo::profile
