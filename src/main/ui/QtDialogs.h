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
    std::string askOpenFileName(const std::string& initialName, const std::string& filter) override;
    std::string askSaveFileName(const std::string& initialName, const std::string& filter) override;
    bool openInAssociatedProgram(const std::string& path) override;

    // The core's filter ("Text (*.txt)|*.txt|All files (*.*)|*.*||") as Qt's ("Text (*.txt);;All
    // files (*)"): "*.*" becomes "*", since names without a dot are files too.
    static QString qtFileFilter(const std::string& filter);

private:
    int run(QMessageBox::Icon icon, const QString& caption, const std::string& text,
        QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton);

    QPointer<QWidget> m_parent;
};

} // namespace lumivex
