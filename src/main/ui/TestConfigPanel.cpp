#include "main/ui/TestConfigPanel.h"

#include "base/Dialogs.h"
#include "controls/ui/UiText.h"
#include "main/TestConfiguration.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <array>
#include <string_view>

namespace lumivex {

namespace {
QComboBox* makeList(int controlId, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(controlName(controlId));
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return list;
}

template<std::size_t N> void fillList(QComboBox* list, const std::array<std::string_view, N>& texts)
{
    for (const auto text : texts)
        list->addItem(qText(text));
}
} // namespace

TestConfigPanel::TestConfigPanel(TestConfiguration& config, Dialogs& dialogs, QWidget* parent)
    : QGroupBox(tr("Test Configuration"), parent), m_config(config), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("testConfiguration"));
    m_board = makeList(1008, this);
    m_led = makeList(1010, this);
    fillList(m_led, TestConfiguration::kLedTexts);
    m_mode = makeList(1012, this);
    fillList(m_mode, TestConfiguration::kTestModeTexts);
    m_optionsLabel = new QLabel(this);
    m_optionsLabel->setObjectName(controlName(1013));
    m_options = makeList(1014, this);
    // Room for the longest range text in the fixed-pitch font, so that the group keeps its width
    // whichever list the mode puts there.
    m_options->setMinimumWidth(
        QFontMetrics(courierFont(16, 400)).horizontalAdvance(QStringLiteral("HGH 3x3 120ms")) + 48);

    m_areaLabel = new QLabel(tr("Sensorarea"), this);
    m_areaLabel->setObjectName(controlName(1094));
    m_area3x3 = new QRadioButton(tr("3x3"), this);
    m_area3x3->setObjectName(controlName(1092));
    m_area9x9 = new QRadioButton(tr("9x9"), this);
    m_area9x9->setObjectName(controlName(1093));
    m_area = new QButtonGroup(this);
    m_area->addButton(m_area3x3, 0);
    m_area->addButton(m_area9x9, 1);

    m_timeLabel = new QLabel(tr("Time"), this);
    m_timeLabel->setObjectName(controlName(1095));
    m_userTime = new QLineEdit(this);
    m_userTime->setObjectName(controlName(1090));
    m_userTime->setAlignment(Qt::AlignRight);
    m_userTime->setMaximumWidth(QFontMetrics(m_userTime->font()).horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_userTime->installEventFilter(this);
    m_msLabel = new QLabel(tr("ms"), this);
    m_msLabel->setObjectName(controlName(1091));

    auto* area = new QHBoxLayout;
    area->addWidget(m_area3x3);
    area->addWidget(m_area9x9);
    area->addStretch();
    auto* time = new QHBoxLayout;
    time->addWidget(m_userTime);
    time->addWidget(m_msLabel);
    time->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Select Board"), this), 0, 0);
    grid->addWidget(m_board, 0, 1);
    grid->addWidget(new QLabel(tr("Select LED"), this), 1, 0);
    grid->addWidget(m_led, 1, 1);
    grid->addWidget(new QLabel(tr("Test Modes"), this), 2, 0);
    grid->addWidget(m_mode, 2, 1);
    grid->addWidget(m_optionsLabel, 3, 0);
    grid->addWidget(m_options, 3, 1);
    grid->addWidget(m_areaLabel, 4, 0);
    grid->addLayout(area, 4, 1);
    grid->addWidget(m_timeLabel, 5, 0);
    grid->addLayout(time, 5, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(6, 1);
    // The label column keeps one width whichever rows the mode shows, so the lists do not jump.
    int labelWidth = 0;
    for (const QString& text : {tr("Select Board"), tr("Select LED"), tr("Test Modes"), tr("Sensorarea"), tr("Time"),
             qText(StringId::SensorRangeLabel), qText(StringId::AveragingFactorLabel)})
        labelWidth = std::max(labelWidth, m_optionsLabel->fontMetrics().horizontalAdvance(text));
    grid->setColumnMinimumWidth(0, labelWidth + 2);

    connect(m_board, &QComboBox::currentIndexChanged, this, [this](int index) { m_config.OnBoardChanged(index); });
    connect(m_led, &QComboBox::currentIndexChanged, this, [this](int index) { m_config.OnLedChanged(index); });
    connect(m_mode, &QComboBox::currentIndexChanged, this, &TestConfigPanel::onTestModeChanged);
    connect(m_options, &QComboBox::currentIndexChanged, this, [this](int index) { m_config.OnOptionChanged(index); });
    connect(m_area, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_config.OnArea(id);
    });
    connect(m_userTime, &QLineEdit::textEdited, this, &TestConfigPanel::onUserTimeEdited);
    connect(m_userTime, &QLineEdit::returnPressed, this, &TestConfigPanel::commitUserTime);
}

void TestConfigPanel::showConfiguration()
{
    showBoards();
    {
        const QSignalBlocker blockLed(m_led);
        const QSignalBlocker blockMode(m_mode);
        m_led->setCurrentIndex(m_config.ledIndex);
        m_mode->setCurrentIndex(m_config.testMode);
    }
    showOptions();
    showUserControls();
}

void TestConfigPanel::showBoards()
{
    const QSignalBlocker block(m_board);
    m_board->clear();
    for (const auto& board : m_config.boardList)
        m_board->addItem(qText(board));
    m_board->setCurrentIndex(m_config.boardSelection);
}

void TestConfigPanel::showOptions()
{
    const QSignalBlocker block(m_options);
    m_optionsLabel->setText(qText(m_config.optionsLabel));
    m_options->setFont(m_config.optionsFixedPitch ? courierFont(16, 400) : font());
    m_options->clear();
    for (const auto& option : m_config.options)
        m_options->addItem(qText(option));
    m_options->setCurrentIndex(m_config.optionSelection);
    m_optionsLabel->setVisible(m_config.optionsVisible);
    m_options->setVisible(m_config.optionsVisible);
}

void TestConfigPanel::showUserControls()
{
    const bool user = m_config.userControlsVisible;
    for (QWidget* control :
        {static_cast<QWidget*>(m_areaLabel), static_cast<QWidget*>(m_area3x3), static_cast<QWidget*>(m_area9x9),
            static_cast<QWidget*>(m_timeLabel), static_cast<QWidget*>(m_userTime), static_cast<QWidget*>(m_msLabel)})
        control->setVisible(user);
    const QSignalBlocker block(m_area);
    (m_config.userArea == 1 ? m_area9x9 : m_area3x3)->setChecked(true);
    if (!m_userTime->hasFocus())
        m_userTime->setText(QString::number(m_config.userTime));
}

void TestConfigPanel::onTestModeChanged(int mode)
{
    m_config.OnTestModeChanged(mode);
    showOptions();
    showUserControls();
}

void TestConfigPanel::onUserTimeEdited()
{
    // Checked when the field is left or a test starts, not at every keystroke: "1" on the way to
    // "150" is no error, and a box per key would be one too many.
    m_userTimeEdited = true;
}

void TestConfigPanel::commitUserTime()
{
    if (!m_userTimeEdited)
        return;
    m_userTimeEdited = false;
    const std::string refused = m_config.OnUserTimeEdited(coreText(m_userTime->text()));
    // The field shows the time that will be used, accepted or kept.
    m_userTime->setText(QString::number(m_config.userTime));
    m_config.OnUserTimeLeft();
    if (!refused.empty())
        m_dialogs.message(refused);
}

bool TestConfigPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_userTime && event->type() == QEvent::FocusOut)
        commitUserTime();
    return QGroupBox::eventFilter(watched, event);
}

} // namespace lumivex
