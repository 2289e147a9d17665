#pragma once

#include "platform/dialogs/ScanSettings.h"
#include "platform/dialogs/TransferProgress.h"
#include "wo_internal_export.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QDialog;
class QMenu;
class QWidget;

// Every message box, input box, open-file dialog and context menu of the component
// goes through this interface, so a host's or our own tests can answer them.
namespace wo::dialogs {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
// Numbered as message-box answers traditionally are.
enum class Answer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Title of a box shown without a title of its own.
WO_INTERNAL QString defaultTitle();

// A message box with only an OK button, through the dialogs in use.
void inform(QWidget* parent, const QString& text, const QString& title, Icon icon = Icon::Information);

struct OpenFileRequest {
    QString title;
    QString filter; // "Description (*.a *.b);;..." as Qt writes it
    QString folder;
    bool multiSelect = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual Answer messageBox(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                              const QString& title) = 0;
    // The text typed; empty when cancelled, as an input box answers.
    virtual QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;
    // Full paths of the picked files; empty when cancelled.
    virtual QStringList openFiles(QWidget* parent, const OpenFileRequest& request) = 0;
    // Shows the menu at a global position; the chosen action or nullptr.
    virtual QAction* contextMenu(QMenu* menu, const QPoint& globalPos) = 0;
    // Runs one of the component's own windows modally; returns its QDialog result
    // when it closes.
    virtual int runModal(QDialog& dialog) = 0;
    // The scanner's settings dialog, opened on `settings` as its defaults; writes the
    // choice back and returns true when the user starts the scan.
    virtual bool scanSettings(QWidget* parent, ScanSettings& settings) = 0;
    // Opens the progress window of a scan; it closes when the returned object goes.
    virtual std::unique_ptr<ScanProgress> scanProgress(QWidget* parent) = 0;
    // Opens the progress window of a transfer of the document named `document`, over
    // `parent` or, when null, the active window; it closes when the returned object
    // goes. Null shows nothing.
    virtual std::unique_ptr<TransferProgress> transferProgress(QWidget* parent, const QString& document) {
        static_cast<void>(parent);
        static_cast<void>(document);
        return nullptr;
    }
};

// The dialogs in use: the default unless another was installed. Throws wo::Error
// when there is neither.
WO_INTERNAL Dialogs& current();
// Installs an implementation for the process (tests, hosts that drive the component);
// passing nullptr restores the default. Returns the one it replaces (null when that
// was the default, not made yet).
WO_INTERNAL std::unique_ptr<Dialogs> install(std::unique_ptr<Dialogs> dialogs);
// Sets how the default is made: the component's windows set the dialogs a person
// answers, which this layer does not know.
void setDefault(std::function<std::unique_ptr<Dialogs>()> make);

} // namespace wo::dialogs
