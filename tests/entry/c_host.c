/* A host written in plain C: adds one file to a record through the component, the
 * open-file dialog answered by the scripted dialogs, and returns from main.
 *   c_host DATABASE STORE FILE [shutdown]
 * Exit status 0 when the file was added (and the process ended cleanly). */
#include <stdio.h>
#include <string.h>
#include <wendra/Wendra_Original.h>
#include <wendra/dialogs_scripted.h>

static int failed(const char* step) {
    char text[512] = "";
    const int32_t number = WoGetErrorInfo(text, sizeof text);
    fprintf(stderr, "%s failed: %d %s\n", step, (int)number, text);
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    char connect[1024];
    snprintf(connect, sizeof connect, "Database=%s", argv[1]);
    WoObject* connection = NULL;
    WoObject* clsMain = NULL;
    if (WoConnection_Open("QSQLITE", connect, &connection) != WO_S_OK)
        return failed("WoConnection_Open");
    if (WoCreateObject(WO_PROGID_CLSMAIN, &clsMain) != WO_S_OK)
        return failed("WoCreateObject");
    WoClsMain_putref_Connection(clsMain, connection);
    WoClsMain_put_gsRecordID(clsMain, "C-HOST-1");
    WoClsMain_put_gsPath(clsMain, argv[2]);

    WoScriptedDialogs_Begin();
    const char* files[] = {argv[3]};
    WoScriptedDialogs_QueueFiles(files, 1);
    int16_t added = 0;
    if (WoClsMain_AddOriginalFile(clsMain, &added) != WO_S_OK)
        return failed("WoClsMain_AddOriginalFile");
    WoScriptedDialogs_End();
    WoRelease(clsMain);
    WoRelease(connection);
    if (argc > 4 && strcmp(argv[4], "shutdown") == 0)
        WoShutdown();
    return added ? 0 : 3;
}
