#pragma once

#include "platform/dialogs/Dialogs.h"
#include "wo_internal_export.h"

#include <QList>
#include <QQueue>
#include <memory>
#include <optional>
#include <utility>

namespace wo::dialogs {

// Dialogs answered by a script instead of a person: each call is recorded, and
// each answer is taken from the queue of its kind. A box with only an OK button
// needs no queued answer. A call with nothing queued for it is answered as a
// person closing it would (Cancel or No, empty text, no files, no menu choice)
// and is marked unanswered, so a test can tell it was not expected.
class WO_INTERNAL ScriptedDialogs final : public Dialogs {
public:
    enum class Kind {
        MessageBox,
        InputBox,
        OpenFiles,
        ContextMenu,
        Window,
        ScanSettings,
        ScanProgress,
        TransferProgress
    };
    struct Call {
        Kind kind;
        QString text; // message, prompt, or the chosen menu item's text
        QString title;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::OK;
        QString defaultText;
        OpenFileRequest request;
        QStringList menuItems;
        bool unanswered = false;
        dialogs::ScanSettings scan{}; // the settings dialog's defaults
        int pages = 0;                // the last page a progress window showed
        qint64 bytes = 0;             // the last byte count a transfer's window showed
        qint64 totalBytes = 0;        // and the total it showed with it
    };

    // How the scanner's settings dialog is answered: each field that is set
    // replaces the default it was opened on; accept false presses Cancel.
    struct ScanAnswer {
        bool accept = true;
        std::optional<QString> device = std::nullopt;
        std::optional<ScanColor> color = std::nullopt;
        std::optional<int> resolution = std::nullopt;
        std::optional<ScanSource> source = std::nullopt;
        std::optional<int> pages = std::nullopt;
    };
    // How a window run by runModal is answered: text typed into line edits (by
    // objectName), then the button clicked (by objectName); no button closes the
    // window through its frame. A window still open after the click is closed
    // through its frame too.
    struct WindowAnswer {
        QList<std::pair<QString, QString>> typed = {};
        QString click = {};
    };

    void queueAnswer(Answer answer) { m_answers.enqueue(answer); }
    void queueInput(const QString& text) { m_inputs.enqueue(text); }
    void queueFiles(const QStringList& files) { m_files.enqueue(files); }
    // The menu item to choose, by objectName or text; empty dismisses the menu.
    void queueMenuChoice(const QString& item) { m_menuChoices.enqueue(item); }
    void queueWindow(const WindowAnswer& answer) { m_windows.enqueue(answer); }
    void queueScanSettings(const ScanAnswer& answer) { m_scanAnswers.enqueue(answer); }
    // Scan pressed on the defaults.
    void queueScanSettings() { m_scanAnswers.enqueue(ScanAnswer{}); }
    // The next scan's progress window has Cancel pressed once `lines` lines of
    // page `page` are read (0 lines: as soon as the page starts). Without one,
    // scans run to their end; a progress window needs no answer.
    void queueScanCancel(int page, int lines = 0) { m_scanCancels.enqueue({page, lines}); }
    // The next transfer's progress window (its text is the document's name) has
    // Cancel pressed once it shows `bytes` bytes done. Without one, it runs to its end.
    void queueTransferCancel(qint64 bytes) { m_transferCancels.enqueue(bytes); }

    const QList<Call>& calls() const { return m_calls; }
    QList<Call> calls(Kind kind) const;
    int unansweredCount() const;
    // Answers queued but not yet asked for.
    int pendingCount() const;
    void clear();

    Answer messageBox(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                      const QString& title) override;
    QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QStringList openFiles(QWidget* parent, const OpenFileRequest& request) override;
    QAction* contextMenu(QMenu* menu, const QPoint& globalPos) override;
    int runModal(QDialog& dialog) override;
    bool scanSettings(QWidget* parent, ScanSettings& settings) override;
    std::unique_ptr<ScanProgress> scanProgress(QWidget* parent) override;
    std::unique_ptr<TransferProgress> transferProgress(QWidget* parent, const QString& document) override;

private:
    class Progress;
    class Transfer;

    QList<Call> m_calls;
    QQueue<Answer> m_answers;
    QQueue<QString> m_inputs;
    QQueue<QStringList> m_files;
    QQueue<QString> m_menuChoices;
    QQueue<WindowAnswer> m_windows;
    QQueue<ScanAnswer> m_scanAnswers;
    QQueue<std::pair<int, int>> m_scanCancels;
    QQueue<qint64> m_transferCancels;
};

// Installs a ScriptedDialogs for its lifetime and restores the previous dialogs after.
class WO_INTERNAL ScriptedDialogsScope {
public:
    ScriptedDialogsScope();
    ~ScriptedDialogsScope();
    ScriptedDialogsScope(const ScriptedDialogsScope&) = delete;
    ScriptedDialogsScope& operator=(const ScriptedDialogsScope&) = delete;

    ScriptedDialogs* operator->() const { return m_scripted; }
    ScriptedDialogs& operator*() const { return *m_scripted; }

private:
    ScriptedDialogs* m_scripted;
    std::unique_ptr<Dialogs> m_previous;
};

} // namespace wo::dialogs
