#include "main/ui/QtDialogs.h"

#include "controls/ui/UiText.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

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

std::string QtDialogs::askOpenFileName(const std::string& initialName, const std::string& filter)
{
    QFileDialog dialog(m_parent, QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist yet is a choice too: a report to be written, or a made-up name
    // that only picks its folder.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtFileFilter(filter));
    dialog.selectFile(qText(initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return coreText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

std::string QtDialogs::askSaveFileName(const std::string& initialName, const std::string& filter)
{
    QFileDialog dialog(m_parent, QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The caller decides what an existing file means.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(qtFileFilter(filter));
    dialog.selectFile(qText(initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return coreText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

bool QtDialogs::openInAssociatedProgram(const std::string& path)
{
    // A relative report path means the current folder, as it does for the core's writes.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(qText(path)).absoluteFilePath()));
}

QString QtDialogs::qtFileFilter(const std::string& filter)
{
    const QStringList parts = qText(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() || patterns.isEmpty())
            break; // the "||" that ends the list
        // Qt reads the patterns from the description's last parentheses.
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        entries << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace lumivex
