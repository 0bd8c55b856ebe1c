#pragma once

#include "terminal/TerminalSession.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace lumivex {

class CHistoryEdit;
class CSeriell;
class Dialogs;
class Scheduler;

// The terminal window ("Terminal Mode"): a command edit with "Send", the device's responses in a
// scrolling box, the port status line, "Clear list" and "OK". It opens the port as it is built
// and closes it as it ends; everything it does is the TerminalSession's, and it only copies the
// session's state into its controls.
class CDlgTerminal : public QDialog {
    Q_OBJECT

public:
    // The main window's port and its settings at the moment the terminal opens.
    CDlgTerminal(Scheduler& scheduler, CSeriell& port, Dialogs& dialogs, const PortSettings& handedOver,
        QWidget* parent = nullptr);
    ~CDlgTerminal() override;

    TerminalSession& session() { return m_session; }

    // "OK", Escape and the close box all end the session first.
    void done(int result) override;

protected:
    // Up and Down in the command edit recall earlier commands.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void onChange(TerminalChange change, std::string_view appended);
    void showCommand();

    TerminalSession m_session;
    QLineEdit* m_command = nullptr;
    QPushButton* m_send = nullptr;
    CHistoryEdit* m_response = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace lumivex
