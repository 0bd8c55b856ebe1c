#include "main/ui/ResultPanel.h"

#include "controls/ui/BarControl.h"
#include "controls/ui/UiText.h"
#include "main/ResultDisplay.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace lumivex {

namespace {
QLabel* makeLabel(const QString& text, int controlId, QWidget* parent, Qt::Alignment alignment = Qt::AlignCenter)
{
    auto* label = new QLabel(text, parent);
    if (controlId != 0)
        label->setObjectName(controlName(controlId));
    label->setAlignment(alignment);
    return label;
}

QCheckBox* makeCheck(const QString& text, int controlId, QWidget* parent)
{
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(controlName(controlId));
    return check;
}

void setText(QLineEdit* field, const std::string& text)
{
    field->setText(qText(text));
    // A long text shows its start, not wherever the last one left the view.
    field->setCursorPosition(0);
}
} // namespace

ResultPanel::ResultPanel(QWidget* parent) : QObject(parent)
{
    struct Channel {
        const char* name;
        const char* unit;
        int fieldId;
        int shareLabelId; // 0: no share label (intensity)
        int barId;
    };
    static constexpr std::array<Channel, 4> kChannels {{
        {"RED", "0...255", 1023, 1061, 1064},
        {"GREEN", "0...255", 1025, 1062, 1065},
        {"BLUE", "0...255", 1028, 1063, 1066},
        {"INTENSITY", "0...100", 1031, 0, 1067},
    }};

    m_testResults = new QGroupBox(tr("Test Results"), parent);
    m_testResults->setObjectName(QStringLiteral("testResults"));
    auto* grid = new QGridLayout(m_testResults);
    grid->setHorizontalSpacing(14);
    for (int i = 0; i < 4; ++i) {
        const Channel& c = kChannels.at(static_cast<std::size_t>(i));
        QLabel* share = makeLabel(QString(), c.shareLabelId, m_testResults);
        share->setFont(arialFont(13, 600));
        if (i < 3)
            m_shareLabels.at(static_cast<std::size_t>(i)) = share;

        auto* bar = new BarControl(Qt::Vertical, m_testResults);
        bar->setObjectName(controlName(c.barId));
        bar->setRange(BarPositions::kMinimum, BarPositions::kMaximum);
        bar->setStep(BarPositions::kStep);
        bar->setPosition(BarPositions::kStart);
        const PackedRgb colour = kBarColours.at(static_cast<std::size_t>(i));
        bar->setBarColour(QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
        m_bars.at(static_cast<std::size_t>(i)) = bar;

        QLabel* name = makeLabel(QString::fromLatin1(c.name), 0, m_testResults);
        name->setFont(arialFont(13, 700));
        QLineEdit* field = makeValueField(c.fieldId, m_testResults);
        m_shares.at(static_cast<std::size_t>(i)) = field;

        grid->addWidget(share, 0, i);
        grid->addWidget(bar, 1, i, Qt::AlignHCenter);
        grid->addWidget(name, 2, i);
        grid->addWidget(field, 3, i);
        grid->addWidget(makeLabel(QString::fromLatin1(c.unit), 0, m_testResults), 4, i);
    }
    // The bars take what height there is; the texts keep theirs.
    grid->setRowStretch(1, 1);

    m_sensorValues = makeValueGroup(
        tr("Sensorvalues"), "sensorValues", 1038, {tr("Red"), tr("Green"), tr("Blue")}, m_sensor, parent);
    m_hsiValues
        = makeValueGroup(tr("HSI"), "hsiValues", 1044, {tr("Hue"), tr("Saturation"), tr("Intensity")}, m_hsi, parent);
    m_xyValues
        = makeValueGroup(tr("CIE XY"), "xyValues", 1050, {tr("X"), tr("Y"), tr("Color temperature")}, m_xy, parent);

    // One label width for the three groups, so that their fields stand in one column.
    int labelWidth = 0;
    for (const QLabel* label : m_valueLabels)
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    for (QLabel* label : m_valueLabels)
        label->setMinimumWidth(labelWidth);

    m_checks = new QWidget(parent);
    m_checks->setObjectName(QStringLiteral("valueGroupChecks"));
    m_checkRgb = makeCheck(tr("RGB"), 1034, m_checks);
    m_checkHsi = makeCheck(tr("HSI"), 1035, m_checks);
    m_checkXy = makeCheck(tr("CIE XY"), 1036, m_checks);
    auto* row = new QHBoxLayout(m_checks);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_checkRgb);
    row->addWidget(m_checkHsi);
    row->addWidget(m_checkXy);
    row->addStretch();
}

QGroupBox* ResultPanel::makeValueGroup(const QString& title, const char* objectName, int firstId,
    const std::array<QString, 3>& labels, std::array<QLineEdit*, 3>& fields, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(objectName));
    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 3; ++i) {
        const int labelId = firstId + 2 * i;
        QLabel* label
            = makeLabel(labels.at(static_cast<std::size_t>(i)), labelId, group, Qt::AlignLeft | Qt::AlignVCenter);
        m_valueLabels.push_back(label);
        grid->addWidget(label, i, 0);
        QLineEdit* field = makeValueField(labelId + 1, group);
        fields.at(static_cast<std::size_t>(i)) = field;
        grid->addWidget(field, i, 1);
    }
    grid->setColumnStretch(1, 1);
    return group;
}

void ResultPanel::showFields(const ResultFields& f)
{
    setText(m_shares[0], f.red);
    setText(m_shares[1], f.green);
    setText(m_shares[2], f.blue);
    setText(m_shares[3], f.intensity);
    m_shareLabels[0]->setText(qText(f.redLabel));
    m_shareLabels[1]->setText(qText(f.greenLabel));
    m_shareLabels[2]->setText(qText(f.blueLabel));
    setText(m_sensor[0], f.sensorRed);
    setText(m_sensor[1], f.sensorGreen);
    setText(m_sensor[2], f.sensorBlue);
    setText(m_hsi[0], f.hue);
    setText(m_hsi[1], f.saturation);
    setText(m_hsi[2], f.hsiIntensity);
    setText(m_xy[0], f.x);
    setText(m_xy[1], f.y);
    setText(m_xy[2], f.colourTemperature);
}

void ResultPanel::showBars(const BarPositions& bars)
{
    m_bars[0]->setPosition(bars.red);
    m_bars[1]->setPosition(bars.green);
    m_bars[2]->setPosition(bars.blue);
    m_bars[3]->setPosition(bars.intensity);
}

void ResultPanel::showGroups(bool rgb, bool hsi, bool xy)
{
    m_checkRgb->setChecked(rgb);
    m_checkHsi->setChecked(hsi);
    m_checkXy->setChecked(xy);
    m_sensorValues->setVisible(rgb);
    m_hsiValues->setVisible(hsi);
    m_xyValues->setVisible(xy);
}

} // namespace lumivex
