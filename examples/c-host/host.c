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

/* Runs the statements of a SQL file: comment lines dropped, split at semicolons. */
static int runScript(WoObject* connection, const char* path) {
    FILE* file = fopen(path, "r");
    if (!file)
        return 0;
    char statement[4096] = "";
    char line[512];
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, "--", 2) == 0)
            continue;
        char* end = strchr(line, ';');
        if (end)
            *end = '\0';
        strncat(statement, line, sizeof statement - strlen(statement) - 1);
        if (end) {
            if (WoConnection_Execute(connection, statement) != WO_S_OK) {
                fclose(file);
                return 0;
            }
            statement[0] = '\0';
        }
    }
    fclose(file);
    return 1;
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
    if (WoConnection_QueryText(connection, "SELECT COUNT(*) FROM Original_Text", &count) != WO_S_OK &&
        !runScript(connection, WO_SQL_DIR "/original_text.sqlite.sql"))
        return failed("creating the document table");
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
    WoScriptedDialogs_End();

    /* Values go apart from the statement, bound to its "?". */
    const char* record[] = {"HOST-1"};
    char* name = NULL;
    if (WoConnection_QueryTextWith(connection, "SELECT Original_Name FROM Original_Text WHERE RecordId = ?",
                                   record, 1, &name) != WO_S_OK)
        return failed("reading the row");
    printf("added: %s (component %s)\n", name, WoGetVersion());
    free(name);

    WoClsMain_putref_Connection(clsMain, NULL);
    WoRelease(clsMain);
    WoRelease(connection);
    if (argc > 4 && strcmp(argv[4], "shutdown") == 0)
        WoShutdown();
    return added ? 0 : 3;
}
