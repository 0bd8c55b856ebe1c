#include "terminal/ui/CHistoryEdit.h"

#include "terminal/TerminalSession.h"

#include <QScrollBar>
#include <QTextCursor>

namespace lumivex {

CHistoryEdit::CHistoryEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The oldest lines go once the box holds as many as the terminal keeps.
    setMaximumBlockCount(static_cast<int>(TerminalSession::kMaxHistoryLines));
    setSelectable(false);
}

void CHistoryEdit::setSelectable(bool selectable)
{
    m_selectable = selectable;
    setTextInteractionFlags(
        selectable ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard : Qt::NoTextInteraction);
}

void CHistoryEdit::appendText(const QString& text)
{
    if (text.isEmpty())
        return;
    // Inserted at the end through a cursor of its own: the box is not rewritten, so a long
    // history costs no more per reply than a short one.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void CHistoryEdit::focusInEvent(QFocusEvent* event)
{
    if (m_selectable)
        QPlainTextEdit::focusInEvent(event);
    else
        QWidget::focusInEvent(event); // no caret, no selection
}

} // namespace lumivex
