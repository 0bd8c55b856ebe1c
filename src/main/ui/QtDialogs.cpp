#include "main/ui/QtDialogs.h"

#include "main/ui/UiText.h"

#include <QCoreApplication>

namespace lumivex {

int QtDialogs::run(QMessageBox::Icon icon, const QString& caption, const std::string& text,
    QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, caption, qMultiLine(text), buttons, m_parent);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

void QtDialogs::message(const std::string& text)
{
    // The framework's plain OK box carries the exclamation mark.
    run(QMessageBox::Warning, QCoreApplication::applicationName(), text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtDialogs::problem(const std::string& text)
{
    run(QMessageBox::Critical, QStringLiteral("PROBLEM"), text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::askYesNo(const std::string& text)
{
    return run(QMessageBox::Question, QCoreApplication::applicationName(), text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes)
        == QMessageBox::Yes;
}

} // namespace lumivex
