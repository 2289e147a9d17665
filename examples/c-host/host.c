/* A host written in plain C: creates the document table from the statements the
 * component ships, adds one file to a record through the component (its open-file
 * dialog answered by the scripted dialogs), reads the row back and returns from
 * main.
 *   host DATABASE STORE FILE [shutdown]
 * Exit status 0 when the file was added. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wendra/Wendra_Original.h>
#include <wendra/dialogs_scripted.h>

#ifndef WO_SQL_DIR
#error "WO_SQL_DIR: the folder of original_text.*.sql (pkg-config --variable=sqldir wendra-original)"
#endif

static int failed(const char* step) {
    char text[512] = "";
    const int32_t number = WoGetErrorInfo(text, sizeof text);
    fprintf(stderr, "%s failed: %d %s\n", step, (int)number, text);
    return 1;
}

/* The whole of a text file, allocated with malloc; NULL when it cannot be read. */
static char* readFile(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file)
        return NULL;
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    rewind(file);
    char* text = size >= 0 ? malloc((size_t)size + 1) : NULL;
    if (text && fread(text, 1, (size_t)size, file) != (size_t)size) {
        free(text);
        text = NULL;
    }
    if (text)
        text[size] = '\0';
    fclose(file);
    return text;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: %s DATABASE STORE FILE [shutdown]\n", argv[0]);
        return 2;
    }
    char connect[1024];
    snprintf(connect, sizeof connect, "Database=%s", argv[1]);
    WoObject* connection = NULL;
    WoObject* clsMain = NULL;
    if (WoConnection_Open("QSQLITE", connect, &connection) != WO_S_OK)
        return failed("WoConnection_Open");
    char* count = NULL;
    if (WoConnection_QueryText(connection, "SELECT COUNT(*) FROM Original_Text", &count) != WO_S_OK) {
        char* script = readFile(WO_SQL_DIR "/original_text.sqlite.sql");
        int32_t executed = 0;
        const HRESULT hr = script ? WoConnection_ExecuteScript(connection, script, &executed) : WO_E_POINTER;
        free(script);
        if (hr != WO_S_OK)
            return failed("creating the document table");
    }
    free(count);

    if (WoCreateObject(WO_PROGID_CLSMAIN, &clsMain) != WO_S_OK)
        return failed("WoCreateObject");
    WoClsMain_putref_Connection(clsMain, connection);
    WoClsMain_put_gsRecordID(clsMain, "HOST-1");
    WoClsMain_put_gsPath(clsMain, argv[2]);

    WoScriptedDialogs_Begin();
    const char* files[] = {argv[3]};
    WoScriptedDialogs_QueueFiles(files, 1);
    int16_t added = 0;
    if (WoClsMain_AddOriginalFile(clsMain, &added) != WO_S_OK)
        return failed("WoClsMain_AddOriginalFile");
    /* The one dialog shown was the open-file dialog, answered from the queue. */
    const int dialogsRight = WoScriptedDialogs_CallCount() == 1 &&
                             WoScriptedDialogs_CallKind(0) == WO_DIALOG_OPEN_FILES &&
                             WoScriptedDialogs_CallUnanswered(0) == 0;
    WoScriptedDialogs_End();
    if (!dialogsRight) {
        fprintf(stderr, "the component showed other dialogs than the open-file dialog\n");
        return 4;
    }

    char* rows = NULL;
    const char* record[] = {"HOST-1"};
    if (WoConnection_QueryJson(connection, "SELECT Original_Name, Size FROM Original_Text WHERE RecordId = ?",
                               record, 1, &rows) != WO_S_OK)
        return failed("reading the row");
    printf("added: %s (component %s)\n", rows, WoGetVersion());
    free(rows);

    WoClsMain_putref_Connection(clsMain, NULL);
    WoRelease(clsMain);
    WoRelease(connection);
    if (argc > 4 && strcmp(argv[4], "shutdown") == 0)
        WoShutdown();
    return added ? 0 : 3;
}
