#pragma once

#include "wo_internal_export.h"

#include <QFrame>
#include <QTimer>

class QLabel;
class QLineEdit;

namespace wo::ui {

// The list window's find bar: a field for the searched text and the number of
// documents that hold it. It only asks; the window searches and shows the outcome.
// In the field, Enter asks for the next match, Shift+Enter for the previous one and
// Esc closes the bar.
class WO_INTERNAL FindBar final : public QFrame {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent);

    QString term() const;
    QLineEdit* field() const { return m_field; }
    QString countText() const;
    // Shows the bar with the cursor in the field and its text selected; a text kept
    // from before is searched again.
    void open();
    // Shows how many documents hold the term; a negative count shows nothing.
    void showCount(int documents);

public slots:
    // Searches the term again after the pause typing gets: text read since may match.
    void searchAgain();

signals:
    // After a pause in typing; the term is blank when the field was emptied.
    void searchRequested(const QString& term);
    void nextRequested();
    void previousRequested();
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a search the pause still holds back, so a step acts on what was typed.
    void searchNow();

    QLineEdit* m_field;
    QLabel* m_count;
    QTimer m_pause;
};

} // namespace wo::ui
