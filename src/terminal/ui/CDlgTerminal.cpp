#include "terminal/ui/CDlgTerminal.h"

#include "controls/ui/UiText.h"
#include "terminal/ui/CHistoryEdit.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumivex {

namespace {
constexpr int kCommandEdit = 1082;
constexpr int kSendButton = 1083;
constexpr int kResponseBox = 1084;
constexpr int kClearButton = 1085;
constexpr int kStatusLine = 1086;
constexpr int kOkButton = 1;
} // namespace

CDlgTerminal::CDlgTerminal(
    Scheduler& scheduler, CSeriell& port, Dialogs& dialogs, const PortSettings& handedOver, QWidget* parent)
    : QDialog(parent), m_session(scheduler, port, dialogs)
{
    setObjectName(QStringLiteral("CDlgTerminal"));
    setWindowTitle(QStringLiteral("Terminal Mode"));
    buildWindow();
    m_session.SetChangeHandler(
        [this](TerminalChange change, std::string_view appended) { onChange(change, appended); });
    showCommand();
    m_session.Open(handedOver);
    m_status->setText(qText(m_session.StatusText()));
    m_command->setFocus();
}

CDlgTerminal::~CDlgTerminal()
{
    m_session.SetChangeHandler({});
    m_session.End();
}

void CDlgTerminal::buildWindow()
{
    auto* commandLabel = new QLabel(QStringLiteral("Commands to send:"), this);
    m_command = new QLineEdit(this);
    m_command->setObjectName(controlName(kCommandEdit));
    m_command->setFont(courierFont(15, 400));
    commandLabel->setBuddy(m_command);
    m_command->installEventFilter(this);

    m_send = new QPushButton(QStringLiteral("Send"), this);
    m_send->setObjectName(controlName(kSendButton));
    m_send->setDefault(true);

    // Why Enter sent nothing; one line high even when empty, so that the box below does not jump.
    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("commandHint"));
    m_hint->setMinimumHeight(m_hint->fontMetrics().height());
    QPalette hintColours = m_hint->palette();
    hintColours.setColor(QPalette::WindowText, QColor(0xA0, 0x00, 0x00));
    m_hint->setPalette(hintColours);

    auto* responseLabel = new QLabel(QStringLiteral("Lumivex response:"), this);
    m_response = new CHistoryEdit(this);
    m_response->setObjectName(controlName(kResponseBox));
    m_response->setFont(courierFont(15, 400));
    responseLabel->setBuddy(m_response);
    // Replies are selected and copied with the mouse, the keyboard (Ctrl+C) or the context menu.
    m_response->setSelectable(true);

    m_status = new QLabel(this);
    m_status->setObjectName(controlName(kStatusLine));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_status->setMargin(3);

    auto* clear = new QPushButton(QStringLiteral("Clear list"), this);
    clear->setObjectName(controlName(kClearButton));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(controlName(kOkButton));
    // Enter belongs to "Send" only, even while one of these has the focus.
    clear->setAutoDefault(false);
    ok->setAutoDefault(false);

    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(m_command, 1);
    commandRow->addWidget(m_send);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(clear);
    buttonRow->addStretch(1);
    buttonRow->addWidget(ok);

    auto* column = new QVBoxLayout(this);
    column->addWidget(commandLabel);
    column->addLayout(commandRow);
    column->addWidget(m_hint);
    column->addWidget(responseLabel);
    column->addWidget(m_response, 1);
    column->addWidget(m_status);
    column->addLayout(buttonRow);
    resize(620, 460);

    connect(m_command, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_session.SetCommandText(coreText(text));
        showCommand();
    });
    connect(m_send, &QPushButton::clicked, this, [this] { m_session.Send(); });
    // A disabled default button takes Enter without a word: the session says why nothing went.
    connect(m_command, &QLineEdit::returnPressed, this, [this] {
        if (!m_send->isEnabled())
            m_session.Send();
    });
    connect(clear, &QPushButton::clicked, this, [this] { m_session.ClearList(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CDlgTerminal::onChange(TerminalChange change, std::string_view appended)
{
    switch (change) {
    case TerminalChange::ResponseAppended:
        m_response->appendText(qMultiLine(appended));
        break;
    case TerminalChange::ResponseCleared:
        m_response->clear();
        break;
    case TerminalChange::CommandChanged:
        showCommand();
        break;
    case TerminalChange::StatusChanged:
        m_status->setText(qText(m_session.StatusText()));
        break;
    case TerminalChange::HintChanged:
        m_hint->setText(qText(m_session.Hint()));
        break;
    }
}

void CDlgTerminal::showCommand()
{
    // Typing is copied into the session; only what the session holds differently (emptied after a
    // send, a character outside Windows-1252 that goes out as '?') is copied back, so that the
    // cursor stays where the user is.
    if (m_command->text() != qText(m_session.CommandText()))
        m_command->setText(qText(m_session.CommandText()));
    m_send->setEnabled(m_session.SendEnabled());
}

bool CDlgTerminal::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_command && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            if (key == Qt::Key_Up)
                m_session.RecallEarlier();
            else
                m_session.RecallLater();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgTerminal::done(int result)
{
    m_session.End();
    QDialog::done(result);
}

} // namespace lumivex
