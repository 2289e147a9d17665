#pragma once

#include "platform/com/ClassFactory.h"

// The component's public classes, by class identifier and ProgID.
namespace wo::entry {

struct ComponentClass {
    CLSID clsid;
    const char* progId;
    com::Creator create;
};

const ComponentClass* begin();
const ComponentClass* end();
const ComponentClass* findClass(const CLSID& clsid);
const ComponentClass* findClass(const char* progId);

} // namespace wo::entry
