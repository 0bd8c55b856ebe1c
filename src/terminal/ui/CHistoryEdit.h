#pragma once

#include <QPlainTextEdit>

namespace lumivex {

// A read-only, multi-line text box that only ever grows at its end and keeps its last line in
// view: the terminal's response box. Unless it is made selectable, taking the focus shows no caret
// and no selection, and the mouse selects nothing.
class CHistoryEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CHistoryEdit(QWidget* parent = nullptr);

    void setSelectable(bool selectable);
    bool selectable() const { return m_selectable; }
    // Adds the text at the end ("\n" line ends) and scrolls so that the last line is visible.
    void appendText(const QString& text);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    bool m_selectable = false;
};

} // namespace lumivex
