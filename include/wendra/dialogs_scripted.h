/* Dialogs answered by a script, for hosts' own tests (library wendra_dialogs_scripted).
 * Between WoScriptedDialogs_Begin and WoScriptedDialogs_End every dialog the
 * component would show to a person takes its answer from the queues below. A
 * dialog with nothing queued for it is answered as a person closing it would
 * (Cancel or No, empty text, no files) and counted as unanswered. */
#ifndef WENDRA_DIALOGS_SCRIPTED_H
#define WENDRA_DIALOGS_SCRIPTED_H

#include "wendra/export.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Message-box answers. */
#define WO_ANSWER_OK 1
#define WO_ANSWER_CANCEL 2
#define WO_ANSWER_ABORT 3
#define WO_ANSWER_RETRY 4
#define WO_ANSWER_IGNORE 5
#define WO_ANSWER_YES 6
#define WO_ANSWER_NO 7

/* Installs scripted dialogs; returns 0 when they are installed already. */
WO_API int32_t WoScriptedDialogs_Begin(void);
/* Restores the dialogs a person answers. */
WO_API void WoScriptedDialogs_End(void);
/* The answer of the next message box that asks a question. */
WO_API int32_t WoScriptedDialogs_QueueAnswer(int32_t answer);
/* The text typed into the next input box (UTF-8). */
WO_API int32_t WoScriptedDialogs_QueueInput(const char* text);
/* The files picked in the next file dialog (UTF-8 paths). */
WO_API int32_t WoScriptedDialogs_QueueFiles(const char* const* paths, size_t count);
/* Dialogs shown so far, those answered by default, and answers not yet asked for;
 * -1 outside Begin and End. */
WO_API int32_t WoScriptedDialogs_CallCount(void);
WO_API int32_t WoScriptedDialogs_UnansweredCount(void);
WO_API int32_t WoScriptedDialogs_PendingCount(void);

typedef int32_t (*WoScriptedDialogs_Begin_t)(void);
typedef void (*WoScriptedDialogs_End_t)(void);
typedef int32_t (*WoScriptedDialogs_QueueAnswer_t)(int32_t);
typedef int32_t (*WoScriptedDialogs_QueueInput_t)(const char*);
typedef int32_t (*WoScriptedDialogs_QueueFiles_t)(const char* const*, size_t);
typedef int32_t (*WoScriptedDialogs_CallCount_t)(void);
typedef int32_t (*WoScriptedDialogs_UnansweredCount_t)(void);
typedef int32_t (*WoScriptedDialogs_PendingCount_t)(void);

#ifdef __cplusplus
}
#endif

#endif
