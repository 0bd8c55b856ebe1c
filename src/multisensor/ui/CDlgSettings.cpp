#include "multisensor/ui/CDlgSettings.h"

#include "base/Dialogs.h"
#include "controls/ui/UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace lumivex {

namespace {
constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;

int id(SettingsControl control)
{
    return static_cast<int>(control);
}

template<std::size_t N> void fill(QComboBox* list, const std::array<std::string_view, N>& entries, int index)
{
    for (const std::string_view entry : entries)
        list->addItem(qText(entry));
    // A code outside the list (from a file) shows no entry, and stays unless the user picks one.
    list->setCurrentIndex(index >= 0 && index < static_cast<int>(N) ? index : -1);
}
} // namespace

CDlgSettings::CDlgSettings(SensorSettingsForm& form, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_form(form), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("CDlgSettings"));
    setWindowTitle(QStringLiteral("Settings for sensor"));

    auto* capture = new QGridLayout;
    auto* testMode = addList(capture, 0, QStringLiteral("Test Modes"), SettingsControl::TestMode);
    auto* measureTime = addList(capture, 1, QStringLiteral("Measure Time"), SettingsControl::MeasureTime);
    auto* range = addList(capture, 2, QStringLiteral("Range"), SettingsControl::Range);
    auto* pwmRuns = addList(capture, 3, QStringLiteral("PWM Runs"), SettingsControl::PwmRuns);
    fill(testMode, kTestModeEntries, m_form.testMode);
    fill(measureTime, kMeasureTimeEntries, m_form.measureTime);
    fill(range, kRangeEntries, m_form.range);
    fill(pwmRuns, kPwmRunsEntries, m_form.pwmRuns);
    capture->setRowStretch(4, 1);

    auto* values = new QGridLayout;
    auto* userTime = addEdit(values, 0, QStringLiteral("Usertime (ms)"), SettingsControl::UserTime, m_form.userTime);
    auto* gain = addEdit(values, 1, QStringLiteral("Gain (%)"), SettingsControl::Gain, m_form.gain);
    auto* xOffset = addEdit(values, 2, QStringLiteral("X Offset"), SettingsControl::XOffset, m_form.xOffset);
    auto* yOffset = addEdit(values, 3, QStringLiteral("Y Offset"), SettingsControl::YOffset, m_form.yOffset);
    auto* distance = addEdit(values, 4, QStringLiteral("Distance"), SettingsControl::Distance, m_form.distance);
    // The record holds at most 7 characters of each text.
    for (QLineEdit* text : {xOffset, yOffset, distance})
        text->setMaxLength(static_cast<int>(ShortText::kMaxLength));
    m_keepXyOffset = new QCheckBox(QStringLiteral("Don't change XY offset"), this);
    m_keepXyOffset->setObjectName(controlName(id(SettingsControl::KeepXyOffset)));
    m_controls[SettingsControl::KeepXyOffset] = m_keepXyOffset;
    values->addWidget(m_keepXyOffset, 5, 0, 1, 2);

    auto* top = new QHBoxLayout;
    top->addLayout(capture);
    top->addSpacing(16);
    top->addLayout(values);

    auto* deviations = new QHBoxLayout;
    deviations->addWidget(buildDeviation(DeviationOf::Intensity, QStringLiteral("Deviation for intensity")));
    deviations->addWidget(buildDeviation(DeviationOf::Xy, QStringLiteral("Deviation forCIE XY value")));

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ok->setObjectName(controlName(kOkButton));
    cancel->setObjectName(controlName(kCancelButton));
    ok->setDefault(true);
    // OK closes only what the form takes; the box's own accepted() would close regardless.
    connect(ok, &QPushButton::clicked, this, &CDlgSettings::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addSpacing(6);
    column->addLayout(deviations);
    column->addSpacing(6);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(testMode, &QComboBox::activated, this, [this](int index) {
        m_form.selectTestMode(index);
        showEnabled();
    });
    connect(measureTime, &QComboBox::activated, this, [this](int index) {
        m_form.selectMeasureTime(index);
        showEnabled();
    });
    connect(range, &QComboBox::activated, this, [this](int index) { m_form.range = index; });
    connect(pwmRuns, &QComboBox::activated, this, [this](int index) { m_form.pwmRuns = index; });
    connect(m_keepXyOffset, &QCheckBox::clicked, this, [this](bool on) {
        m_form.clickKeepXyOffset(on);
        showEnabled();
    });

    // The order in which the controls stand, left column first.
    QWidget* order[] = {testMode, measureTime, range, pwmRuns, userTime, gain, xOffset, yOffset, distance,
        m_keepXyOffset, m_intens.percentOn, m_intens.percent, m_intens.absoluteOn, m_intens.absolute, m_xy.percentOn,
        m_xy.percent, m_xy.absoluteOn, m_xy.absolute, ok, cancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    showBoxes();
    showEnabled();
}

QComboBox* CDlgSettings::addList(QGridLayout* grid, int row, const QString& label, SettingsControl control)
{
    auto* list = new QComboBox(this);
    list->setObjectName(controlName(id(control)));
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    list->setMaxVisibleItems(16);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(list);
    grid->addWidget(caption, row, 0);
    grid->addWidget(list, row, 1);
    m_controls[control] = list;
    return list;
}

QLineEdit* CDlgSettings::addEdit(
    QGridLayout* grid, int row, const QString& label, SettingsControl control, std::string& member)
{
    auto* edit = new QLineEdit(qText(member), this);
    edit->setObjectName(controlName(id(control)));
    edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("-0.00000")) + 16);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1, Qt::AlignLeft);
    m_controls[control] = edit;
    connect(edit, &QLineEdit::textEdited, this, [&member](const QString& text) { member = coreText(text); });
    return edit;
}

QWidget* CDlgSettings::buildDeviation(DeviationOf of, const QString& title)
{
    const bool intensity = of == DeviationOf::Intensity;
    auto* group = new QGroupBox(title, this);
    DeviationControls& c = controls(of);
    c.percentOn = new QCheckBox(QStringLiteral("0 .. 100%"), group);
    c.percent = new QLineEdit(qText(m_form.deviation(of).percentText), group);
    c.absoluteOn = new QCheckBox(QStringLiteral("absolute"), group);
    c.absolute = new QLineEdit(qText(m_form.deviation(of).absoluteText), group);
    const std::pair<QWidget*, SettingsControl> named[] = {
        {c.percentOn, intensity ? SettingsControl::IntensPercentOn : SettingsControl::XyPercentOn},
        {c.percent, intensity ? SettingsControl::IntensPercent : SettingsControl::XyPercent},
        {c.absoluteOn, intensity ? SettingsControl::IntensAbsOn : SettingsControl::XyAbsOn},
        {c.absolute, intensity ? SettingsControl::IntensAbs : SettingsControl::XyAbs},
    };
    for (const auto& [widget, control] : named) {
        widget->setObjectName(controlName(id(control)));
        m_controls[control] = widget;
    }
    for (QLineEdit* edit : {c.percent, c.absolute})
        edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("-0.00000")) + 16);

    auto* grid = new QGridLayout(group);
    grid->addWidget(c.percentOn, 0, 0);
    grid->addWidget(c.percent, 0, 1);
    grid->addWidget(c.absoluteOn, 1, 0);
    grid->addWidget(c.absolute, 1, 1);
    grid->setColumnStretch(2, 1);

    connect(c.percentOn, &QCheckBox::clicked, this, [this, of](bool on) {
        m_form.clickPercent(of, on);
        showBoxes();
        showEnabled();
    });
    connect(c.absoluteOn, &QCheckBox::clicked, this, [this, of](bool on) {
        m_form.clickAbsolute(of, on);
        showBoxes();
        showEnabled();
    });
    connect(c.percent, &QLineEdit::textEdited, this,
        [this, of](const QString& text) { m_form.editPercent(of, coreText(text)); });
    connect(c.absolute, &QLineEdit::textEdited, this,
        [this, of](const QString& text) { m_form.editAbsolute(of, coreText(text)); });
    return group;
}

void CDlgSettings::showBoxes()
{
    for (const auto of : {DeviationOf::Intensity, DeviationOf::Xy}) {
        const DeviationBoxes& boxes = m_form.deviation(of);
        DeviationControls& c = controls(of);
        const QSignalBlocker blockPercent(c.percentOn);
        const QSignalBlocker blockAbsolute(c.absoluteOn);
        c.percentOn->setChecked(boxes.percentOn);
        c.absoluteOn->setChecked(boxes.absoluteOn);
    }
    const QSignalBlocker blockKeep(m_keepXyOffset);
    m_keepXyOffset->setChecked(m_form.keepXyOffset());
}

void CDlgSettings::showEnabled()
{
    for (const auto& [control, widget] : m_controls)
        widget->setEnabled(m_form.isEnabled(control));
}

void CDlgSettings::onOk()
{
    if (const auto refusal = m_form.validate()) {
        m_dialogs.message(refusal->message);
        if (auto* edit = qobject_cast<QLineEdit*>(m_controls.at(refusal->control))) {
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
        }
        return;
    }
    accept();
}

} // namespace lumivex
