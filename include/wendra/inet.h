/* FTP storage for hosts. A host opens a session and an FTP connection and hands
 * both handle numbers to the component, which then works on the connection
 * handle. Handles of the host and the component come from one process-wide table.
 * Texts and paths are UTF-8. Remote names are absolute ("/a/b", from the server's
 * root, whatever the login folder) or relative to the connection's current folder,
 * which starts at the login folder.
 * A call that fails returns 0; WoInternetGetLastResponseInfo then tells why.
 * A server name, user, password, folder or file name holding CR or LF is refused
 * (WO_INET_ERROR_INVALID_ARGUMENT) before anything is sent: it would end one FTP
 * command and start another. A call on a connection made while a call on it is
 * still running on the same thread (from a timer or queued call the component's
 * progress window let run) fails at once with WO_INET_ERROR_TRANSFER_IN_PROGRESS;
 * other threads wait their turn. */
#ifndef WENDRA_INET_H
#define WENDRA_INET_H

#include "wendra/export.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A session or connection handle; 0 is never a valid one. */
typedef uint32_t WoHInternet;

#define WO_INET_DEFAULT_FTP_PORT 21

/* Error numbers. */
#define WO_INET_ERROR_INVALID_ARGUMENT 5
#define WO_INET_ERROR_INVALID_HANDLE 6
#define WO_INET_ERROR_FILE_NOT_FOUND 53    /* a local file or folder */
#define WO_INET_ERROR_PERMISSION_DENIED 70 /* a local file cannot be read or written */
#define WO_INET_ERROR_FILE_EXISTS 80       /* the local target exists and must not be replaced */
#define WO_INET_ERROR_INSUFFICIENT_BUFFER 122
#define WO_INET_ERROR_TIMEOUT 12002
#define WO_INET_ERROR_EXTENDED 12003 /* the server refused; the text holds its reply */
#define WO_INET_ERROR_INTERNAL 12004
#define WO_INET_ERROR_INVALID_URL 12005
#define WO_INET_ERROR_NAME_NOT_RESOLVED 12007
#define WO_INET_ERROR_LOGIN_FAILURE 12015
#define WO_INET_ERROR_OPERATION_CANCELLED 12017 /* the caller cancelled the transfer */
#define WO_INET_ERROR_INCORRECT_HANDLE_TYPE 12018
#define WO_INET_ERROR_CANNOT_CONNECT 12029
#define WO_INET_ERROR_CONNECTION_ABORTED 12030
#define WO_INET_ERROR_TRANSFER_IN_PROGRESS 12110 /* called while a call on the connection runs */
#define WO_INET_ERROR_SECURITY 12157

/* A session; agent may be NULL. */
WO_API WoHInternet WoInternetOpen(const char* agent);
/* Connects to an FTP server and logs in right away. port 0 means 21; an empty or
 * NULL user logs in anonymously. passive: passive data connections (the usual
 * choice); useTls: explicit TLS (AUTH TLS), commands and data encrypted, the server's
 * certificate checked; refused, never continued in the clear, when the server cannot. */
WO_API WoHInternet WoInternetConnect(WoHInternet session, const char* server, uint16_t port, const char* user,
                                     const char* password, int32_t passive, int32_t useTls);
/* The certificates (a PEM file) that TLS connections opened on this session afterwards
 * trust, instead of the system's. A server whose certificate neither they nor its name
 * match is refused; NULL or "" returns to the system's certificates. */
WO_API int32_t WoInternetSetCaFile(WoHInternet session, const char* caFile);
/* Closes a handle; closing a session closes its connections. */
WO_API int32_t WoInternetCloseHandle(WoHInternet handle);

/* Makes dir the current folder when it exists. */
WO_API int32_t WoFtpSetCurrentDirectory(WoHInternet connection, const char* dir);
/* Creates one folder; fails when it exists. */
WO_API int32_t WoFtpCreateDirectory(WoHInternet connection, const char* dir);
/* Stores a local file under a temporary name and renames it, so the remote name
 * never shows a partly written file. On a server that refuses renaming, this and
 * later uploads of the connection store under the remote name directly. A failed
 * upload removes its temporary file where the server allows; when the server went
 * away after the rename was asked for, the remote name may hold the whole file. */
WO_API int32_t WoFtpPutFile(WoHInternet connection, const char* localPath, const char* remoteName);
/* Fetches a remote file; the local file appears only when complete. With
 * failIfExists an existing local file is left alone and the call fails. */
WO_API int32_t WoFtpGetFile(WoHInternet connection, const char* remoteName, const char* localPath,
                            int32_t failIfExists);
WO_API int32_t WoFtpDeleteFile(WoHInternet connection, const char* remoteName);

/* The number and text of this thread's last failure. When *size bytes hold the
 * text and its terminating zero, copies both, sets *size to the text's length and
 * returns 1; otherwise returns 0 and sets *size to the bytes needed. error may be NULL. */
WO_API int32_t WoInternetGetLastResponseInfo(int32_t* error, char* buffer, size_t* size);

typedef WoHInternet (*WoInternetOpen_t)(const char*);
typedef WoHInternet (*WoInternetConnect_t)(WoHInternet, const char*, uint16_t, const char*, const char*,
                                           int32_t, int32_t);
typedef int32_t (*WoInternetSetCaFile_t)(WoHInternet, const char*);
typedef int32_t (*WoInternetCloseHandle_t)(WoHInternet);
typedef int32_t (*WoFtpSetCurrentDirectory_t)(WoHInternet, const char*);
typedef int32_t (*WoFtpCreateDirectory_t)(WoHInternet, const char*);
typedef int32_t (*WoFtpPutFile_t)(WoHInternet, const char*, const char*);
typedef int32_t (*WoFtpGetFile_t)(WoHInternet, const char*, const char*, int32_t);
typedef int32_t (*WoFtpDeleteFile_t)(WoHInternet, const char*);
typedef int32_t (*WoInternetGetLastResponseInfo_t)(int32_t*, char*, size_t*);

#ifdef __cplusplus
}
#endif

#endif
