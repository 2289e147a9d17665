#include "ui/list/FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace wo::ui {

namespace {

constexpr int kPauseMs = 250;

} // namespace

FindBar::FindBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FindBar"));
    auto* label = new QLabel(QStringLiteral("查找文字"), this);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("FindText"));
    m_field->setPlaceholderText(QStringLiteral("输入原文中的文字"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    label->setBuddy(m_field);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("FindCount"));
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("FindClose"));
    close->setText(QStringLiteral("×"));
    close->setToolTip(QStringLiteral("关闭查找 (Esc)"));
    close->setAutoRaise(true);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(label);
    row->addWidget(m_field, 1);
    row->addWidget(m_count);
    row->addWidget(close);

    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseMs);
    connect(&m_pause, &QTimer::timeout, this, [this] { emit searchRequested(term()); });
    // Each key typed waits for the next, so a word typed fluently is searched once.
    connect(m_field, &QLineEdit::textChanged, this, [this] { m_pause.start(); });
    connect(close, &QToolButton::clicked, this, &FindBar::closeRequested);
}

QString FindBar::term() const {
    return m_field->text();
}

QString FindBar::countText() const {
    return m_count->text();
}

void FindBar::open() {
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    if (!term().isEmpty())
        searchAgain();
}

void FindBar::showCount(int documents) {
    if (documents < 0)
        m_count->clear();
    else if (documents == 0)
        m_count->setText(QStringLiteral("没有找到"));
    else
        m_count->setText(QStringLiteral("共 %1 个文档符合").arg(documents));
}

void FindBar::searchAgain() {
    // A pause already running searches soon; restarting it would let a reading that
    // finishes document after document put the search off until the last.
    if (!isHidden() && !m_pause.isActive())
        m_pause.start();
}

void FindBar::searchNow() {
    if (m_pause.isActive()) {
        m_pause.stop();
        emit searchRequested(term());
    }
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
        m_pause.stop();
        emit closeRequested();
        return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
        searchNow();
        if (modifiers == Qt::ShiftModifier)
            emit previousRequested();
        else
            emit nextRequested();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace wo::ui
