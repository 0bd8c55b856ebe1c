#pragma once

#include "base/Dialogs.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace lumivex {

// The core's boxes as Qt message boxes, modal to the given window (none: application-modal).
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) { }
    // The window is made after the boxes it may need while it starts; it is handed over then.
    void setParentWidget(QWidget* parent) { m_parent = parent; }

    void message(const std::string& text) override;
    void problem(const std::string& text) override;
    bool askYesNo(const std::string& text) override;

private:
    int run(QMessageBox::Icon icon, const QString& caption, const std::string& text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);

    QPointer<QWidget> m_parent;
};

} // namespace lumivex
