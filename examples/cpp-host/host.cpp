// A C++ host: registers the component's module as an installer does (WoRegisterModule), creates
// ClsMain by its ProgID, hands over a connection and the storage folder, and adds
// one file (its open-file dialog answered by the scripted dialogs).
//   host DATABASE STORE FILE
// Exit status 0 when the file was added.
#include <cstdio>
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

// The shipped statements that create the document table, run as one script.
bool createTable(WoObject* connection) {
    std::ifstream file(WO_SQL_DIR "/original_text.sqlite.sql");
    std::stringstream script;
    script << file.rdbuf();
    return file && WO_SUCCEEDED(WoConnection_ExecuteScript(connection, script.str().c_str(), nullptr));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DATABASE STORE FILE\n", argv[0]);
        return 2;
    }
    // What an installer does once: the module writes itself into the class registry.
    if (WO_FAILED(WoRegisterModule(WO_MODULE)))
        return failed("registering the module");

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
