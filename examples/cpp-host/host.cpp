// A C++ host: registers the component's module as an installer does, creates
// ClsMain by its ProgID, hands over a connection and the storage folder, and adds
// one file (its open-file dialog answered by the scripted dialogs).
//   host DATABASE STORE FILE
// Exit status 0 when the file was added.
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <sstream>
#include <string>
#include <wendra/Wendra_Original.h>
#include <wendra/comhost.h>
#include <wendra/dialogs_scripted.h>

namespace {

int failed(const char* step) {
    char text[512] = "";
    const int32_t number = WoGetErrorInfo(text, sizeof text);
    std::fprintf(stderr, "%s failed: %d %s\n", step, int(number), text);
    return 1;
}

// What an installer does once: the module writes itself into the class registry.
bool registerModule() {
    void* module = dlopen(WO_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return false;
    auto registerServer = reinterpret_cast<DllRegisterServer_t>(dlsym(module, "DllRegisterServer"));
    const bool registered = registerServer && WO_SUCCEEDED(registerServer());
    dlclose(module);
    return registered;
}

// The statements of the shipped SQL file, comment lines dropped.
bool createTable(WoObject* connection) {
    std::ifstream file(WO_SQL_DIR "/original_text.sqlite.sql");
    std::string line, script;
    while (std::getline(file, line))
        if (line.rfind("--", 0) != 0)
            script += line + '\n';
    std::istringstream statements(script);
    std::string statement;
    while (std::getline(statements, statement, ';'))
        if (statement.find_first_not_of(" \n") != std::string::npos &&
            WO_FAILED(WoConnection_Execute(connection, statement.c_str())))
            return false;
    return !script.empty();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DATABASE STORE FILE\n", argv[0]);
        return 2;
    }
    if (!registerModule())
        return std::fprintf(stderr, "cannot register %s\n", WO_MODULE), 1;

    WoObject* connection = nullptr;
    if (WoConnection_Open("QSQLITE", (std::string("Database=") + argv[1]).c_str(), &connection) != WO_S_OK)
        return failed("WoConnection_Open");
    if (!createTable(connection))
        return failed("creating the document table");

    Wendra_Original::_ClsMain* main = nullptr;
    if (WO_FAILED(wo::com::ComHost::createObject(QStringLiteral(WO_PROGID_CLSMAIN),
                                                 Wendra_Original::IID__ClsMain,
                                                 reinterpret_cast<void**>(&main)))) {
        std::fprintf(stderr, "%s\n", qPrintable(wo::com::ComHost::lastError()));
        return 1;
    }
    // A WoObject is the IUnknown of the object behind it.
    main->putref_Connection(reinterpret_cast<wo::com::IUnknown*>(connection));
    main->put_gsRecordID("HOST-1");
    main->put_gsPath(argv[2]);

    WoScriptedDialogs_Begin();
    const char* files[] = {argv[3]};
    WoScriptedDialogs_QueueFiles(files, 1);
    int16_t added = 0;
    const HRESULT hr = main->AddOriginalFile(&added);
    WoScriptedDialogs_End();
    if (WO_FAILED(hr))
        return failed("AddOriginalFile");

    main->putref_Connection(nullptr);
    main->Release();
    WoRelease(connection);
    WoShutdown();
    std::printf("added: %s\n", added ? "yes" : "no");
    return added ? 0 : 3;
}
