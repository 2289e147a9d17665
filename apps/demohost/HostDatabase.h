#pragma once

#include "platform/com/ComPtr.h"
#include "platform/db/Connection.h"

namespace demohost {

// The document table belongs to the host application: it creates it, the
// component only works on it. Creates Original_Text when the database has no such table; true when it did.
bool ensureDocumentTable(wo::db::Connection& connection);

} // namespace demohost
