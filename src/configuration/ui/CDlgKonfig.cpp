#include "configuration/ui/CDlgKonfig.h"

#include "base/Dialogs.h"
#include "controls/ui/UiText.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace lumivex {

namespace {
constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kPortList = 1070;
constexpr int kBaudList = 1071;
constexpr int kLogNameEdit = 1072;
constexpr int kLogLevelEdit = 1073;
constexpr int kSerialDebugBox = 1074;
constexpr int kChartTableList = 1077;
constexpr int kResultFileEdit = 1078;
constexpr int kResultFileChange = 1079;
constexpr int kSensorSettingsEdit = 1080;
constexpr int kSensorSettingsChange = 1081;
constexpr int kStabilityFileEdit = 1082;
constexpr int kStabilityFileChange = 1083;
constexpr int kSelectFileBox = 1087;
constexpr int kNoXyOffsetChangeBox = 1088;

template<class T> T* named(T* widget, int controlId)
{
    widget->setObjectName(controlName(controlId));
    return widget;
}

void showText(QLineEdit* edit, const std::string& text)
{
    const QSignalBlocker block(edit);
    edit->setText(qText(text));
}

void showCheck(QCheckBox* box, std::int32_t value)
{
    const QSignalBlocker block(box);
    box->setChecked(value != 0);
}
} // namespace

CDlgKonfig::CDlgKonfig(ConfigurationModel& model, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_model(model), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("CDlgKonfig"));
    setWindowTitle(QStringLiteral("Configuration"));

    auto* top = new QHBoxLayout;
    top->addWidget(buildInterface());
    top->addWidget(buildLogfile(), 1);

    m_chartTable = named(new QComboBox(this), kChartTableList);
    for (const auto text : ConfigurationModel::kChartTables)
        m_chartTable->addItem(qText(text));
    auto* chartLabel = new QLabel(QStringLiteral("CIE Chromaticity diagrams:"), this);
    chartLabel->setBuddy(m_chartTable);
    auto* chartRow = new QHBoxLayout;
    chartRow->addWidget(chartLabel);
    chartRow->addWidget(m_chartTable);
    chartRow->addStretch(1);

    auto* deviations = new QHBoxLayout;
    deviations->addWidget(
        buildTolerance(ToleranceOf::Intensity, QStringLiteral("Deviation for intensity:"), {1101, 1102, 1107, 1109}));
    deviations->addWidget(
        buildTolerance(ToleranceOf::Xy, QStringLiteral("Deviation for XY value :"), {1103, 1104, 1108, 1110}));

    m_noXyOffsetChange = named(
        new QCheckBox(QStringLiteral("Don't allow any changes to the XY offset values"), this), kNoXyOffsetChangeBox);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), kOkButton);
    auto* cancel = named(buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole), kCancelButton);
    ok->setDefault(true);
    // OK closes only what the model takes; the box's own accepted() would close regardless.
    connect(ok, &QPushButton::clicked, this, &CDlgKonfig::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(buildStorage());
    column->addLayout(chartRow);
    column->addLayout(deviations);
    column->addWidget(m_noXyOffsetChange);
    column->addSpacing(6);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_chartTable, &QComboBox::activated, this, [this](int index) { m_model.selectChartTable(index); });
    connect(m_noXyOffsetChange, &QCheckBox::clicked, this, [this](bool on) { m_model.noChangeXyOffset = on ? 1 : 0; });
    showAll();
}

QWidget* CDlgKonfig::buildInterface()
{
    auto* group = new QGroupBox(QStringLiteral("Interface"), this);
    m_port = named(new QComboBox(group), kPortList);
    m_port->setMaxVisibleItems(16);
    // Editable, so that any device path can be typed; what is typed is kept, not added as an item.
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    // The field stays a sensible width; the open list is as wide as its longest entry (by-id
    // names are long).
    m_port->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_port->setMinimumContentsLength(24);
    for (const auto& label : m_model.portLabels())
        m_port->addItem(qText(label));
    m_port->view()->setMinimumWidth(m_port->view()->sizeHintForColumn(0) + 24);
    m_baud = named(new QComboBox(group), kBaudList);
    for (const auto& rate : m_model.baudTexts())
        m_baud->addItem(qText(rate));

    auto* grid = new QGridLayout(group);
    auto* portLabel = new QLabel(QStringLiteral("Serial port:"), group);
    auto* baudLabel = new QLabel(QStringLiteral("Baudrate:"), group);
    portLabel->setBuddy(m_port);
    baudLabel->setBuddy(m_baud);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(m_port, 0, 1);
    grid->addWidget(baudLabel, 1, 0);
    grid->addWidget(m_baud, 1, 1);
    grid->setRowStretch(2, 1);

    connect(m_port, &QComboBox::activated, this, [this](int index) { m_model.selectPort(index); });
    connect(m_port->lineEdit(), &QLineEdit::textEdited, this,
        [this](const QString& text) { m_model.typePort(coreText(text)); });
    connect(m_baud, &QComboBox::activated, this, [this](int index) { m_model.selectBaud(index); });
    return group;
}

QWidget* CDlgKonfig::buildLogfile()
{
    auto* group = new QGroupBox(QStringLiteral("Logfile"), this);
    m_logName = named(new QLineEdit(group), kLogNameEdit);
    m_logLevel = named(new QLineEdit(group), kLogLevelEdit);
    m_logLevel->setMaximumWidth(70);
    m_serialDebug = named(new QCheckBox(QStringLiteral("Create serial debug file"), group), kSerialDebugBox);

    auto* grid = new QGridLayout(group);
    auto* nameLabel = new QLabel(QStringLiteral("Name of LOG file:"), group);
    auto* levelLabel = new QLabel(QStringLiteral("Level of LOG file:"), group);
    nameLabel->setBuddy(m_logName);
    levelLabel->setBuddy(m_logLevel);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_logName, 0, 1);
    grid->addWidget(levelLabel, 1, 0);
    grid->addWidget(m_logLevel, 1, 1, Qt::AlignLeft);
    grid->addWidget(m_serialDebug, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(m_logName, &QLineEdit::textEdited, this, [this](const QString& text) { m_model.logName = coreText(text); });
    connect(m_logLevel, &QLineEdit::textEdited, this,
        [this](const QString& text) { m_model.logLevelText = coreText(text); });
    connect(m_serialDebug, &QCheckBox::clicked, this, [this](bool on) { m_model.seriellDatei = on ? 1 : 0; });
    return group;
}

QLineEdit* CDlgKonfig::pathRow(
    QGridLayout* grid, int row, const QString& label, int editId, int buttonId, FileChoice choice)
{
    QWidget* group = grid->parentWidget();
    auto* edit = named(new QLineEdit(group), editId);
    edit->setMinimumWidth(420);
    auto* change = named(new QPushButton(QStringLiteral("Change"), group), buttonId);
    change->setAutoDefault(false);
    auto* caption = new QLabel(label, group);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0, 1, 2);
    grid->addWidget(edit, row + 1, 0);
    grid->addWidget(change, row + 1, 1);
    connect(change, &QPushButton::clicked, this, [this, choice] {
        if (m_model.chooseFile(choice, m_dialogs))
            showAll();
    });
    return edit;
}

QWidget* CDlgKonfig::buildStorage()
{
    auto* group = new QGroupBox(QStringLiteral("Storage"), this);
    auto* grid = new QGridLayout(group);
    m_resultFile = pathRow(grid, 0, QStringLiteral("Path and name of test report file:"), kResultFileEdit,
        kResultFileChange, FileChoice::TestReport);
    m_stabilityFile = pathRow(grid, 2, QStringLiteral("Path and name of stability analysis report file:"),
        kStabilityFileEdit, kStabilityFileChange, FileChoice::StabilityReport);
    m_selectFile = named(new QCheckBox(QStringLiteral("Select path and name of report file"), group), kSelectFileBox);
    grid->addWidget(m_selectFile, 4, 0, 1, 2);
    grid->setRowMinimumHeight(5, 6);
    m_sensorSettings = pathRow(grid, 6, QStringLiteral("Path of sensor settings  file:"), kSensorSettingsEdit,
        kSensorSettingsChange, FileChoice::SensorSettings);

    connect(m_resultFile, &QLineEdit::textEdited, this,
        [this](const QString& text) { m_model.resultFile = coreText(text); });
    connect(m_stabilityFile, &QLineEdit::textEdited, this,
        [this](const QString& text) { m_model.stabilityFile = coreText(text); });
    connect(m_sensorSettings, &QLineEdit::textEdited, this,
        [this](const QString& text) { m_model.sensorSettings = coreText(text); });
    connect(m_selectFile, &QCheckBox::clicked, this, [this](bool on) { m_model.selectDatei = on ? 1 : 0; });
    return group;
}

QWidget* CDlgKonfig::buildTolerance(ToleranceOf of, const QString& title, const ToleranceIds& ids)
{
    auto* group = new QGroupBox(title, this);
    ToleranceControls& c = controls(of);
    c.percentOn = named(new QCheckBox(QStringLiteral("0 .. 100%"), group), ids.percentOn);
    c.percent = named(new QLineEdit(group), ids.percent);
    c.absoluteOn = named(new QCheckBox(QStringLiteral("absolute"), group), ids.absoluteOn);
    c.absolute = named(new QLineEdit(group), ids.absolute);
    for (QLineEdit* edit : {c.percent, c.absolute})
        edit->setFixedWidth(80);

    auto* grid = new QGridLayout(group);
    grid->addWidget(c.percentOn, 0, 0);
    grid->addWidget(c.percent, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("%"), group), 0, 2);
    grid->addWidget(c.absoluteOn, 1, 0);
    grid->addWidget(c.absolute, 1, 1);
    grid->setColumnStretch(3, 1);

    connect(c.percentOn, &QCheckBox::clicked, this, [this, of](bool on) {
        m_model.clickPercent(of, on);
        showTolerances();
    });
    connect(c.absoluteOn, &QCheckBox::clicked, this, [this, of](bool on) {
        m_model.clickAbsolute(of, on);
        showTolerances();
    });
    connect(c.percent, &QLineEdit::textEdited, this,
        [this, of](const QString& text) { m_model.editPercent(of, coreText(text)); });
    connect(c.absolute, &QLineEdit::textEdited, this,
        [this, of](const QString& text) { m_model.editAbsolute(of, coreText(text)); });
    c.absolute->installEventFilter(this);
    return group;
}

void CDlgKonfig::showAll()
{
    {
        const QSignalBlocker blockPort(m_port);
        const QSignalBlocker blockBaud(m_baud);
        const QSignalBlocker blockChart(m_chartTable);
        m_port->setCurrentIndex(m_model.portIndex());
        if (m_model.portIndex() < 0)
            m_port->setEditText(qText(m_model.port()));
        m_baud->setCurrentIndex(m_model.baudIndex());
        m_chartTable->setCurrentIndex(m_model.chartTableIndex());
    }
    showText(m_logName, m_model.logName);
    showText(m_logLevel, m_model.logLevelText);
    showCheck(m_serialDebug, m_model.seriellDatei);
    showText(m_resultFile, m_model.resultFile);
    showText(m_stabilityFile, m_model.stabilityFile);
    showCheck(m_selectFile, m_model.selectDatei);
    showText(m_sensorSettings, m_model.sensorSettings);
    showCheck(m_noXyOffsetChange, m_model.noChangeXyOffset);
    for (const auto of : {ToleranceOf::Intensity, ToleranceOf::Xy}) {
        showText(controls(of).percent, m_model.tolerance(of).percentText);
        showText(controls(of).absolute, m_model.tolerance(of).absoluteText);
    }
    showTolerances();
}

void CDlgKonfig::showTolerances()
{
    for (const auto of : {ToleranceOf::Intensity, ToleranceOf::Xy}) {
        const TolerancePair& pair = m_model.tolerance(of);
        ToleranceControls& c = controls(of);
        showCheck(c.percentOn, pair.percentOn);
        showCheck(c.absoluteOn, pair.absoluteOn);
        c.percent->setEnabled(pair.percentEnabled);
        c.absolute->setEnabled(pair.absoluteEnabled);
    }
}

bool CDlgKonfig::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // Only a focus that moves within the dialog checks the edit; one that leaves with the
        // window (another program, a menu) is not the user leaving the field.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (const auto of : {ToleranceOf::Intensity, ToleranceOf::Xy}) {
                // Checked once the focus change is over, so the box does not open inside it.
                if (watched == controls(of).absolute)
                    QTimer::singleShot(0, this, [this, of] { checkAbsolute(of); });
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgKonfig::checkAbsolute(ToleranceOf of)
{
    if (!isVisible())
        return;
    if (const auto refusal = m_model.leaveAbsolute(of)) {
        m_dialogs.message(refusal->message);
        refocus(controls(of).absolute);
    }
}

void CDlgKonfig::refocus(QLineEdit* edit)
{
    // After the focus change in progress has finished; the edit gets it back with its text selected.
    QTimer::singleShot(0, edit, [this, edit] {
        if (!isVisible())
            return;
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    });
}

QLineEdit* CDlgKonfig::editOf(ConfigField field) const
{
    switch (field) {
    case ConfigField::LogLevel:
        return m_logLevel;
    case ConfigField::IntensityPercent:
        return m_intens.percent;
    case ConfigField::IntensityAbsolute:
        return m_intens.absolute;
    case ConfigField::XyPercent:
        return m_xy.percent;
    case ConfigField::XyAbsolute:
        return m_xy.absolute;
    }
    return m_logLevel;
}

void CDlgKonfig::onOk()
{
    // OK checks every edit itself; a check still pending from leaving an edit would repeat it.
    m_model.leaveAbsolute(ToleranceOf::Intensity);
    m_model.leaveAbsolute(ToleranceOf::Xy);
    // What the port list shows is what counts, whether picked, typed or completed.
    m_model.typePort(coreText(m_port->currentText()));
    if (const auto refusal = m_model.validate()) {
        m_dialogs.message(refusal->message);
        refocus(editOf(refusal->field));
        return;
    }
    accept();
}

} // namespace lumivex
