/* Type library Wendra_Original: the component's public classes.
 *
 * A host creates ClsMain (ProgID "Wendra_Original.ClsMain") through the host-side
 * helper or DllGetClassObject, writes the host settings through its properties and
 * calls ShowForm or AddOriginalFile. Texts are UTF-8. A method that fails returns
 * WO_DISP_E_EXCEPTION; WoGetErrorInfo then gives the error's number and description.
 * Hosts written in C (or any language with a C FFI) use the flat functions below,
 * which libwendra_core exports; each has a pointer type NAME_t for hosts that
 * find it with dlsym. */
#ifndef WENDRA_ORIGINAL_H
#define WENDRA_ORIGINAL_H

#include "wendra/com.h"
#include "wendra/export.h"

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Class and interface identifiers. */
#define WO_CLSID_CLSMAIN                                                                                     \
    {                                                                                                        \
        0x6A1C2E41, 0x5B3D, 0x4E8F, {                                                                        \
            0x9A, 0x10, 0x2C, 0x4B, 0x7D, 0x81, 0x30, 0x01                                                   \
        }                                                                                                    \
    }
#define WO_IID_CLSMAIN                                                                                       \
    {                                                                                                        \
        0x6A1C2E42, 0x5B3D, 0x4E8F, {                                                                        \
            0x9A, 0x10, 0x2C, 0x4B, 0x7D, 0x81, 0x30, 0x01                                                   \
        }                                                                                                    \
    }
#define WO_CLSID_CPRINTER                                                                                    \
    {                                                                                                        \
        0x6A1C2E43, 0x5B3D, 0x4E8F, {                                                                        \
            0x9A, 0x10, 0x2C, 0x4B, 0x7D, 0x81, 0x30, 0x01                                                   \
        }                                                                                                    \
    }
#define WO_IID_CPRINTER                                                                                      \
    {                                                                                                        \
        0x6A1C2E44, 0x5B3D, 0x4E8F, {                                                                        \
            0x9A, 0x10, 0x2C, 0x4B, 0x7D, 0x81, 0x30, 0x01                                                   \
        }                                                                                                    \
    }
/* The database connection a host hands over (see WoConnection_Open). */
#define WO_IID_CONNECTION                                                                                    \
    {                                                                                                        \
        0x6A1C2E45, 0x5B3D, 0x4E8F, {                                                                        \
            0x9A, 0x10, 0x2C, 0x4B, 0x7D, 0x81, 0x30, 0x01                                                   \
        }                                                                                                    \
    }
/* ClsMain's later properties (duplicate check, text search): a library that lacks them
 * answers E_NOINTERFACE, where a longer _ClsMain would have crashed the host. */
#define WO_IID_CLSMAIN2                                                                                      \
    {                                                                                                        \
        0x6A1C2E46, 0x5B3D, 0x4E8F, {                                                                        \
            0x9A, 0x10, 0x2C, 0x4B, 0x7D, 0x81, 0x30, 0x01                                                   \
        }                                                                                                    \
    }

#define WO_PROGID_CLSMAIN "Wendra_Original.ClsMain"
#define WO_PROGID_CPRINTER "Wendra_Original.cPrinter"

/* The four in-process server exports. */
WO_API HRESULT DllRegisterServer(void);
WO_API HRESULT DllUnregisterServer(void);
WO_API HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object);
WO_API HRESULT DllCanUnloadNow(void);

/* Number and description of the error behind the last WO_DISP_E_EXCEPTION on this
 * thread. Writes at most size bytes of UTF-8 including the terminating zero. */
WO_API int32_t WoGetErrorInfo(char* description, size_t size);

/* Flat C interface. Objects are the same reference-counted objects the C++
 * interfaces below describe. */
typedef struct WoObject WoObject;
WO_API HRESULT WoCreateObject(const char* progId, WoObject** object);
WO_API uint32_t WoRelease(WoObject* object);
/* driver: "QSQLITE", "QPSQL", "QMYSQL" or "QODBC"; connectString: "Key=Value;..." with
 * Database, Host, Port, User, Password, Options (for ODBC the whole ODBC string). */
WO_API HRESULT WoConnection_Open(const char* driver, const char* connectString, WoObject** connection);
/* Runs one SQL statement on the connection, for a host that sets up its table
 * through it (share/wendra-original/original_text.*.sql). */
WO_API HRESULT WoConnection_Execute(WoObject* connection, const char* statement);
/* The first column of the query's first row as UTF-8 text (empty when there is no
 * row or it is NULL); *value is allocated with malloc, the caller frees it. */
WO_API HRESULT WoConnection_QueryText(WoObject* connection, const char* query, char** value);
/* The same two with values bound: each ? in the text takes the next of the count
 * UTF-8 values (a NULL pointer for SQL NULL), sent to the database apart from the
 * text, so that no value is ever read as SQL. */
WO_API HRESULT WoConnection_ExecuteWith(WoObject* connection, const char* statement,
                                        const char* const* values, size_t count);
WO_API HRESULT WoConnection_QueryTextWith(WoObject* connection, const char* query, const char* const* values,
                                          size_t count, char** value);
/* Runs a script of several statements in order (the shipped
 * original_text.*.sql): statements end at semicolons outside quotes and comments,
 * and comments are dropped. The first statement that fails stops the script; its
 * error names it by number ("第2条语句：…") and the statements before it stay done.
 * *executed (may be NULL) receives how many statements ran. */
WO_API HRESULT WoConnection_ExecuteScript(WoObject* connection, const char* script, int32_t* executed);
/* Runs a query with count values bound to its ? placeholders in order (UTF-8
 * text; a NULL entry binds SQL NULL) and hands back every row as a JSON array of
 * objects, one member per column as the database names it (PostgreSQL folds
 * unquoted names to lower case): [{"ID":"2026…","Size":1024,"FilePath":null}].
 * Binary values come as Base64 text. *json is allocated with malloc; the caller
 * frees it. */
WO_API HRESULT WoConnection_QueryJson(WoObject* connection, const char* query, const char* const* values,
                                      size_t count, char** json);
/* Full-text search over the text of the stored documents' pages: the pages whose
 * text holds `text` (full- and half-width forms, letter case and the spaces between
 * Chinese characters do not matter), of the record recordId or, when it is NULL, of
 * all, at most 50, as a JSON array of objects with RecordId, ID, Original_Name, Page
 * (from 1) and Snippet: [{"RecordId":"R1","ID":"2026…","Original_Name":"合同",
 * "Page":2,"Snippet":"…发票号20261208…"}]. The same answer as
 * `wendra-index --search TEXT [--record R] --json`. Runs on a connection of the
 * component's own to the same database. WO_ERR_SEARCH_UNAVAILABLE when the page
 * text tables are not there. *json is allocated with malloc; the caller frees it. */
WO_API HRESULT WoSearchDocuments(WoObject* connection, const char* text, const char* recordId, char** json);
WO_API HRESULT WoClsMain_put_gsRecordID(WoObject* clsMain, const char* value);
WO_API HRESULT WoClsMain_put_gsOriginalID(WoObject* clsMain, const char* value);
WO_API HRESULT WoClsMain_put_gsPath(WoObject* clsMain, const char* value);
WO_API HRESULT WoClsMain_put_gsState(WoObject* clsMain, const char* value);
WO_API HRESULT WoClsMain_putref_Connection(WoObject* clsMain, WoObject* connection);
WO_API HRESULT WoClsMain_put_GetCopyRight(WoObject* clsMain, const char* value);
WO_API HRESULT WoClsMain_put_gsOpen(WoObject* clsMain, int32_t value);
WO_API HRESULT WoClsMain_put_gsConn(WoObject* clsMain, int32_t value);
WO_API HRESULT WoClsMain_ShowForm(WoObject* clsMain);
/* *result: -1 when the last file picked was added, 0 otherwise. */
WO_API HRESULT WoClsMain_AddOriginalFile(WoObject* clsMain, int16_t* result);
/* value 0: adds files without asking whether the record already holds their content; any
 * other value (the start): asks. */
WO_API HRESULT WoClsMain_put_CheckDuplicates(WoObject* clsMain, int16_t value);
WO_API HRESULT WoClsMain_put_gsTextSearch(WoObject* clsMain, const char* value);
WO_API HRESULT WocPrinter_put_FileName(WoObject* printer, const char* value);
/* *value is allocated with malloc; the caller frees it with free. */
WO_API HRESULT WocPrinter_get_FileName(WoObject* printer, char** value);
WO_API HRESULT WocPrinter_PrintToView(WoObject* printer);
WO_API HRESULT WocPrinter_PrintAnyFile(WoObject* printer, const char* fileToPrint);
/* Ends the application object the component created for a host that has none
 * (a host without Qt). Call it after releasing every object, before leaving main;
 * a host that does not call it leaves the object to the end of the process. */
WO_API void WoShutdown(void);
/* The component's version, "major.minor". */
WO_API const char* WoGetVersion(void);
/* The class objects an in-process server module hands out: what the module's
 * DllGetClassObject and DllCanUnloadNow answer. */
WO_API HRESULT WoGetClassObject(const CLSID* clsid, const IID* iid, void** object);
WO_API HRESULT WoCanUnloadNow(void);
/* Registers the in-process server module in the per-user class registry, as an
 * installer does, or removes it again: loads the module, calls its
 * DllRegisterServer or DllUnregisterServer and unloads it. modulePath NULL means
 * the module in the component folder of this library. Returns the module's
 * answer, or WO_DISP_E_EXCEPTION when it cannot be loaded (WoGetErrorInfo says
 * why). The program wendra-register does the same from a shell. */
WO_API HRESULT WoRegisterModule(const char* modulePath);
WO_API HRESULT WoUnregisterModule(const char* modulePath);

typedef HRESULT (*DllRegisterServer_t)(void);
typedef HRESULT (*DllUnregisterServer_t)(void);
typedef HRESULT (*DllGetClassObject_t)(const CLSID*, const IID*, void**);
typedef HRESULT (*DllCanUnloadNow_t)(void);
typedef int32_t (*WoGetErrorInfo_t)(char*, size_t);
typedef HRESULT (*WoCreateObject_t)(const char*, WoObject**);
typedef uint32_t (*WoRelease_t)(WoObject*);
typedef HRESULT (*WoConnection_Open_t)(const char*, const char*, WoObject**);
typedef HRESULT (*WoConnection_Execute_t)(WoObject*, const char*);
typedef HRESULT (*WoConnection_QueryText_t)(WoObject*, const char*, char**);
typedef HRESULT (*WoConnection_ExecuteWith_t)(WoObject*, const char*, const char* const*, size_t);
typedef HRESULT (*WoConnection_QueryTextWith_t)(WoObject*, const char*, const char* const*, size_t, char**);
typedef HRESULT (*WoConnection_ExecuteScript_t)(WoObject*, const char*, int32_t*);
typedef HRESULT (*WoConnection_QueryJson_t)(WoObject*, const char*, const char* const*, size_t, char**);
typedef HRESULT (*WoClsMain_put_gsRecordID_t)(WoObject*, const char*);
typedef HRESULT (*WoClsMain_put_gsOriginalID_t)(WoObject*, const char*);
typedef HRESULT (*WoClsMain_put_gsPath_t)(WoObject*, const char*);
typedef HRESULT (*WoClsMain_put_gsState_t)(WoObject*, const char*);
typedef HRESULT (*WoClsMain_putref_Connection_t)(WoObject*, WoObject*);
typedef HRESULT (*WoClsMain_put_GetCopyRight_t)(WoObject*, const char*);
typedef HRESULT (*WoClsMain_put_gsOpen_t)(WoObject*, int32_t);
typedef HRESULT (*WoClsMain_put_gsConn_t)(WoObject*, int32_t);
typedef HRESULT (*WoClsMain_ShowForm_t)(WoObject*);
typedef HRESULT (*WoClsMain_AddOriginalFile_t)(WoObject*, int16_t*);
typedef HRESULT (*WoClsMain_put_CheckDuplicates_t)(WoObject*, int16_t);
typedef HRESULT (*WoClsMain_put_gsTextSearch_t)(WoObject*, const char*);
typedef HRESULT (*WoSearchDocuments_t)(WoObject*, const char*, const char*, char**);
typedef HRESULT (*WocPrinter_put_FileName_t)(WoObject*, const char*);
typedef HRESULT (*WocPrinter_get_FileName_t)(WoObject*, char**);
typedef HRESULT (*WocPrinter_PrintToView_t)(WoObject*);
typedef HRESULT (*WocPrinter_PrintAnyFile_t)(WoObject*, const char*);
typedef void (*WoShutdown_t)(void);
typedef const char* (*WoGetVersion_t)(void);
typedef HRESULT (*WoGetClassObject_t)(const CLSID*, const IID*, void**);
typedef HRESULT (*WoCanUnloadNow_t)(void);
typedef HRESULT (*WoRegisterModule_t)(const char*);
typedef HRESULT (*WoUnregisterModule_t)(const char*);

#ifdef __cplusplus
}

namespace Wendra_Original {

inline constexpr CLSID CLSID_ClsMain = WO_CLSID_CLSMAIN;
inline constexpr IID IID__ClsMain = WO_IID_CLSMAIN;
inline constexpr IID IID__ClsMain2 = WO_IID_CLSMAIN2;
inline constexpr CLSID CLSID_cPrinter = WO_CLSID_CPRINTER;
inline constexpr IID IID__cPrinter = WO_IID_CPRINTER;
inline constexpr IID IID_Connection = WO_IID_CONNECTION;

/* The host's door into the document management. Every property is write-only and
 * writes the one process-wide set of host settings. */
struct _ClsMain : wo::com::IUnknown {
    virtual HRESULT put_gsRecordID(const char* value) = 0;
    virtual HRESULT put_gsOriginalID(const char* value) = 0;
    virtual HRESULT put_gsPath(const char* value) = 0;
    virtual HRESULT put_gsState(const char* value) = 0;
    /* A connection object answering IID_Connection; the component keeps a reference. */
    virtual HRESULT putref_Connection(wo::com::IUnknown* connection) = 0;
    /* "SYSBASE" or "SQL SERVER" select FTP storage, anything else folder storage. */
    virtual HRESULT put_GetCopyRight(const char* value) = 0;
    virtual HRESULT put_gsOpen(int32_t value) = 0;
    virtual HRESULT put_gsConn(int32_t value) = 0;
    virtual HRESULT ShowForm() = 0;
    /* *result: -1 (true) when the last file picked was added, 0 otherwise. */
    virtual HRESULT AddOriginalFile(int16_t* result) = 0;

protected:
    ~_ClsMain() = default;
};

/* _ClsMain and the properties added since, under an interface of their own (IID__ClsMain2),
 * so that a host asks for them and a library without them says no. */
struct _ClsMain2 : _ClsMain {
    /* 0: adds without asking whether the record already holds a file's content; other
     * values (the start): asks. */
    virtual HRESULT put_CheckDuplicates(int16_t value) = 0;
    /* Full-text search: "" (the default) leaves it off and the component as it is
     * without it; otherwise the recognition languages, tesseract's names with "+"
     * between several ("chi_sim", "chi_sim+eng"). */
    virtual HRESULT put_gsTextSearch(const char* value) = 0;

protected:
    ~_ClsMain2() = default;
};

/* Prints a file through the desktop's print route. */
struct _cPrinter : wo::com::IUnknown {
    /* "将当前的文件转化为临时文件进行打印" */
    virtual HRESULT PrintToView() = 0;
    /* "标识当前在ADO数据集中的文件ID" */
    virtual HRESULT put_FileName(const char* value) = 0;
    /* *value is allocated with malloc; the caller frees it. */
    virtual HRESULT get_FileName(char** value) = 0;
    virtual HRESULT PrintAnyFile(const char* FileToPrint) = 0;

protected:
    ~_cPrinter() = default;
};

} // namespace Wendra_Original
#endif

#endif
