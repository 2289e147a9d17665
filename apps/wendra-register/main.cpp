// wendra-register: records the in-process server module in the user's class
// registry, as an installer does, or removes it again. Uses only the core's C
// interface, as any host does.
#include "wendra/Wendra_Original.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

void printHelp() {
    std::printf("Usage: wendra-register [--unregister] [MODULE]\n"
                "Registers the document component's in-process server module in the user's class\n"
                "registry ($WO_COM_REGISTRY, else $XDG_CONFIG_HOME/wendra-com/registry.ini), so that\n"
                "hosts create its classes by ProgID (%s, %s).\n"
                "\n"
                "Options:\n"
                "  --unregister  Remove the module's classes from the registry instead; a class\n"
                "                another copy of the module registered since stays.\n"
                "  -h, --help    Show this help.\n"
                "  --version     Show the component's version.\n"
                "\n"
                "Arguments:\n"
                "  MODULE        The module to register (libWendra_Original.so); by default the\n"
                "                one in the component folder beside the core library.\n"
                "\n"
                "Exit status: 0 done, 1 the module could not be loaded or registered, 2 wrong usage.\n",
                WO_PROGID_CLSMAIN, WO_PROGID_CPRINTER);
}

} // namespace

int main(int argc, char* argv[]) {
    bool unregister = false;
    const char* module = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            printHelp();
            return kDone;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("wendra-register %s\n", WoGetVersion());
            return kDone;
        }
        if (!std::strcmp(argv[i], "--unregister")) {
            unregister = true;
        } else if (argv[i][0] == '-' || module) {
            std::fprintf(stderr, "wendra-register: unexpected argument %s\nTry wendra-register --help.\n",
                         argv[i]);
            return kUsage;
        } else {
            module = argv[i];
        }
    }
    const HRESULT hr = unregister ? WoUnregisterModule(module) : WoRegisterModule(module);
    if (WO_SUCCEEDED(hr))
        return kDone;
    char text[1024] = "";
    const int32_t number = WoGetErrorInfo(text, sizeof text);
    if (hr == WO_DISP_E_EXCEPTION)
        std::fprintf(stderr, "wendra-register: error %d: %s\n", static_cast<int>(number), text);
    else
        std::fprintf(stderr, "wendra-register: the module answered 0x%08X\n", static_cast<unsigned>(hr));
    return kFailed;
}
