/* Dialogs answered by a script, for hosts' own tests. The functions are in the
 * core library, libwendra_core.so.0: link -lwendra_core (pkg-config wendra-original,
 * or CMake's WendraOriginal::dialogs_scripted, which is that library), or find them
 * there with dlsym through the NAME_t types below.
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

/* What each dialog shown since Begin was, by its index from 0 up to CallCount - 1,
 * so that a test can tell a refusal (a message box with its text) from a cancel
 * (a file dialog left without files). */
#define WO_DIALOG_MESSAGE_BOX 1
#define WO_DIALOG_INPUT_BOX 2
#define WO_DIALOG_OPEN_FILES 3
#define WO_DIALOG_CONTEXT_MENU 4
#define WO_DIALOG_WINDOW 5
#define WO_DIALOG_SCAN_SETTINGS 6
#define WO_DIALOG_SCAN_PROGRESS 7
#define WO_DIALOG_TRANSFER_PROGRESS 8
/* The dialog's kind (WO_DIALOG_…); 0 for no such dialog or outside Begin and End. */
WO_API int32_t WoScriptedDialogs_CallKind(int32_t index);
/* Its text (the message, the prompt, the chosen menu item, the document a
 * transfer's window named) and its title, as UTF-8 allocated with malloc; the
 * caller frees it. 1 when *text was set, 0 for no such dialog. */
WO_API int32_t WoScriptedDialogs_CallText(int32_t index, char** text);
WO_API int32_t WoScriptedDialogs_CallTitle(int32_t index, char** title);
/* 1 when the dialog found no answer queued and was closed as a person closing it
 * would, 0 when it took a queued answer (or needed none), -1 for no such dialog. */
WO_API int32_t WoScriptedDialogs_CallUnanswered(int32_t index);

typedef int32_t (*WoScriptedDialogs_Begin_t)(void);
typedef void (*WoScriptedDialogs_End_t)(void);
typedef int32_t (*WoScriptedDialogs_QueueAnswer_t)(int32_t);
typedef int32_t (*WoScriptedDialogs_QueueInput_t)(const char*);
typedef int32_t (*WoScriptedDialogs_QueueFiles_t)(const char* const*, size_t);
typedef int32_t (*WoScriptedDialogs_CallCount_t)(void);
typedef int32_t (*WoScriptedDialogs_UnansweredCount_t)(void);
typedef int32_t (*WoScriptedDialogs_PendingCount_t)(void);
typedef int32_t (*WoScriptedDialogs_CallKind_t)(int32_t);
typedef int32_t (*WoScriptedDialogs_CallText_t)(int32_t, char**);
typedef int32_t (*WoScriptedDialogs_CallTitle_t)(int32_t, char**);
typedef int32_t (*WoScriptedDialogs_CallUnanswered_t)(int32_t);

#ifdef __cplusplus
}
#endif

#endif
