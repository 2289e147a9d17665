#include "entry/Classes.h"

#include "entry/ClsMain.h"
#include "entry/cPrinter.h"

#include <algorithm>
#include <cstring>

namespace wo::entry {

namespace {

template <typename T> HRESULT createInstance(const IID& iid, void** object) {
    return T::create()->QueryInterface(iid, object);
}

constexpr ComponentClass kClasses[] = {
    {Wendra_Original::CLSID_ClsMain, WO_PROGID_CLSMAIN, &createInstance<ClsMain>},
    {Wendra_Original::CLSID_cPrinter, WO_PROGID_CPRINTER, &createInstance<cPrinter>},
};

template <typename Match> const ComponentClass* find(Match matches) {
    const auto it = std::find_if(std::begin(kClasses), std::end(kClasses), matches);
    return it == std::end(kClasses) ? nullptr : it;
}

} // namespace

const ComponentClass* begin() {
    return std::begin(kClasses);
}

const ComponentClass* end() {
    return std::end(kClasses);
}

const ComponentClass* findClass(const CLSID& clsid) {
    return find([&](const ComponentClass& c) { return c.clsid == clsid; });
}

const ComponentClass* findClass(const char* progId) {
    return find([&](const ComponentClass& c) { return std::strcmp(c.progId, progId) == 0; });
}

} // namespace wo::entry
