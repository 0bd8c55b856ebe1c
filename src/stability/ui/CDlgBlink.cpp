#include "stability/ui/CDlgBlink.h"

#include "base/Dialogs.h"
#include "controls/ui/UiText.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "stability/StabilityFiles.h"
#include "stability/StabilityScales.h"
#include "stability/StabilityStatistics.h"
#include "stability/ui/StabilityChartWidget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace lumivex {

namespace {
constexpr int kDefaultButton = 1;
constexpr int kRgbiBox = 1034;
constexpr int kHsiBox = 1035;
constexpr int kXyBox = 1036;
constexpr int kReadingsEdit = 1112;
constexpr int kMeasureButton = 1114;
constexpr int kAveragingList = 1116;
constexpr int kDelayEdit = 1118;
constexpr int kParameterList = 1121;
constexpr int kSaveButton = 1149;
constexpr int kLoadButton = 1150;
constexpr int kTimeScaleBox = 1151;
// The result fields in the order of StabilityResultTexts.
constexpr int kResultFields[] = {1129, 1130, 1131, 1137, 1133, 1134, 1135, 1138, 1139, 1143, 1145, 1147};

template<class T> T* named(T* widget, int controlId)
{
    widget->setObjectName(controlName(controlId));
    return widget;
}

// Back to the edit, its whole text selected, once the box that refused it has gone.
void refocus(QLineEdit* edit)
{
    QTimer::singleShot(0, edit, [edit] {
        edit->setFocus();
        edit->selectAll();
    });
}

QString minutesAndSeconds(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    return seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'))
                         : QStringLiteral("%1 s").arg(seconds);
}
} // namespace

CDlgBlink::CDlgBlink(Links links, QWidget* parent) : QDialog(parent), m_links(std::move(links))
{
    setObjectName(QStringLiteral("CDlgBlink"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    m_chart = new StabilityChartWidget([this] { return std::span<const CBlinkData>(m_links.run.Readings()); }, this);

    // Settings above the results, the chart beside both; every border can be dragged.
    auto* left = new QSplitter(Qt::Vertical, this);
    left->setObjectName(QStringLiteral("Splitter3"));
    left->addWidget(buildSettings());
    left->addWidget(buildResults());
    left->addWidget(new QWidget(left));
    left->setStretchFactor(2, 1);
    left->setChildrenCollapsible(false);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter2"));
    splitter->addWidget(left);
    splitter->addWidget(m_chart);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    // The settings as narrow as their controls allow; every extra pixel goes to the chart.
    splitter->setSizes({left->sizeHint().width(), m_chart->sizeHint().width()});

    m_measure = named(new QPushButton(QStringLiteral("Measure"), this), kMeasureButton);
    m_save = named(new QPushButton(QStringLiteral("Save"), this), kSaveButton);
    m_load = named(new QPushButton(QStringLiteral("Load"), this), kLoadButton);
    m_default = named(new QPushButton(qText(StringId::Finish), this), kDefaultButton);
    for (QPushButton* button : {m_measure, m_save, m_load})
        button->setAutoDefault(false);
    m_default->setDefault(true);
    m_progress = new QLabel(this);
    m_progress->setObjectName(QStringLiteral("progress"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_measure);
    buttons->addWidget(m_save);
    buttons->addWidget(m_load);
    buttons->addSpacing(12);
    buttons->addWidget(m_progress, 1);
    buttons->addWidget(m_default);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(m_measure, &QPushButton::clicked, this, [this] {
        if (m_links.measure)
            m_links.measure();
    });
    connect(m_save, &QPushButton::clicked, this, &CDlgBlink::onSave);
    connect(m_load, &QPushButton::clicked, this, &CDlgBlink::onLoad);
    connect(m_default, &QPushButton::clicked, this, &CDlgBlink::onDefaultButton);

    setTabOrder(m_readings, m_delay);
    setTabOrder(m_delay, m_averaging);
    setTabOrder(m_averaging, m_rgbi);
    setTabOrder(m_rgbi, m_hsi);
    setTabOrder(m_hsi, m_xy);
    setTabOrder(m_xy, m_parameters);
    setTabOrder(m_parameters, m_timeScale);
    setTabOrder(m_timeScale, m_measure);
    setTabOrder(m_measure, m_save);
    setTabOrder(m_save, m_load);
    setTabOrder(m_load, m_default);

    StabilityChart& chart = m_chart->model();
    chart.setReadingsSetting(m_links.run.readingCount());
    chart.setDurationMs(m_links.run.DurationMs());
    m_save->setEnabled(false);
    m_timeScale->setEnabled(false);
    Refresh();
    enableIdleControls();
    m_save->setEnabled(false);
    m_timeScale->setEnabled(false);
    ConnectionChanged();
}

CDlgBlink::~CDlgBlink() = default;

QWidget* CDlgBlink::buildSettings()
{
    auto* box = new QGroupBox(QStringLiteral("Settings"), this);
    box->setObjectName(QStringLiteral("InfoPanel"));
    m_readings = named(new QLineEdit(QString::number(m_links.run.readingCount()), box), kReadingsEdit);
    m_delay = named(new QLineEdit(QString::number(m_links.run.delayMs()), box), kDelayEdit);
    for (QLineEdit* edit : {m_readings, m_delay})
        edit->setMaximumWidth(90);
    m_averaging = named(new QComboBox(box), kAveragingList);
    for (int factor = 0; factor < StabilityRun::kAveragingFactors; ++factor)
        m_averaging->addItem(QString::number(factor));
    m_averaging->setCurrentIndex(m_links.run.averaging());
    m_rgbi = named(new QCheckBox(QStringLiteral("RGBI"), box), kRgbiBox);
    m_hsi = named(new QCheckBox(QStringLiteral("HSI"), box), kHsiBox);
    m_xy = named(new QCheckBox(QStringLiteral("XY"), box), kXyBox);
    m_parameters = named(new QComboBox(box), kParameterList);
    m_timeScale = named(new QCheckBox(QStringLiteral("Time scale in ms"), box), kTimeScaleBox);
    m_averaging->setMaximumWidth(90);
    m_parameters->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    auto* groups = new QHBoxLayout;
    for (QCheckBox* check : {m_rgbi, m_hsi, m_xy})
        groups->addWidget(check);
    groups->addStretch(1);
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("Nr of Readings "), m_readings);
    form->addRow(QStringLiteral("Delay between tests in ms"), m_delay);
    form->addRow(QStringLiteral("Averaging"), m_averaging);
    form->addRow(groups);
    form->addRow(QStringLiteral("Parameter shown"), m_parameters);
    form->addRow(m_timeScale);

    connect(m_readings, &QLineEdit::textEdited, this, [this] { m_readingsChanged = true; });
    connect(m_delay, &QLineEdit::textEdited, this, [this] { m_delayChanged = true; });
    connect(m_readings, &QLineEdit::editingFinished, this, &CDlgBlink::onReadingsEdited);
    connect(m_delay, &QLineEdit::editingFinished, this, &CDlgBlink::onDelayEdited);
    connect(m_averaging, &QComboBox::activated, this, [this](int index) {
        m_links.run.SetAveraging(index);
        ShowTitle(m_links.run.Title());
    });
    for (QCheckBox* check : {m_rgbi, m_hsi, m_xy})
        connect(check, &QCheckBox::clicked, this, &CDlgBlink::onBoxClicked);
    connect(m_parameters, &QComboBox::activated, this, [this](int) {
        m_chart->model().setCurves(m_parameters->currentData().toUInt());
        m_chart->refresh();
        showResults();
    });
    connect(m_timeScale, &QCheckBox::clicked, this, [this](bool on) {
        m_chart->model().setDurationMs(m_links.run.DurationMs());
        m_chart->model().setTimeScale(on);
        m_chart->refresh();
    });
    return box;
}

QWidget* CDlgBlink::buildResults()
{
    auto* box = new QGroupBox(QStringLiteral("Test Results"), this);
    box->setObjectName(QStringLiteral("ResultPanel"));
    auto* grid = new QGridLayout(box);
    const QString heads[] = {qText(StringId::RedCaption), qText(StringId::GreenCaption), qText(StringId::BlueCaption),
        qText(StringId::IntensCaption)};
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(heads[c], box), 0, c + 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Mean"), box), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Max"), box), 2, 0);
    const QString lower[] = {qText(StringId::HueCaption), qText(StringId::SaturCaption), qText(StringId::XCaption),
        qText(StringId::YCaption)};
    for (int c = 0; c < 4; ++c)
        grid->addWidget(new QLabel(lower[c], box), 3, c + 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Mean"), box), 4, 0);
    for (int i = 0; i < 12; ++i) {
        auto* field = named(new QLineEdit(box), kResultFields[i]);
        field->setReadOnly(true);
        field->setFocusPolicy(Qt::NoFocus);
        field->setAlignment(Qt::AlignRight);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0.3333333")) + 14);
        const int row = i < 4 ? 1 : i < 8 ? 2 : 4;
        grid->addWidget(field, row, i % 4 + 1);
        m_results.push_back(field);
    }
    return box;
}

// ---------------------------------------------------------------- showing

void CDlgBlink::Refresh()
{
    const StabilityChoice choice = m_links.choice();
    // A group the main window does not read can be neither measured nor shown.
    const std::pair<QCheckBox*, bool> boxes[]
        = {{m_rgbi, choice.checkRgb}, {m_hsi, choice.checkHsi}, {m_xy, choice.checkXy}};
    for (const auto& [box, flag] : boxes) {
        const QSignalBlocker block(box);
        box->setChecked(flag);
        box->setEnabled(flag && !m_links.run.IsMeasuring());
    }
    m_links.run.boxes = {choice.checkRgb, choice.checkHsi, choice.checkXy};
    {
        const QSignalBlocker block(m_averaging);
        m_averaging->setCurrentIndex(m_links.run.averaging());
    }
    m_averaging->setEnabled(choice.testMode == 2 && !m_links.run.IsMeasuring());
    fillParameters();
    ShowTitle(m_links.run.Title());
}

void CDlgBlink::fillParameters()
{
    const QSignalBlocker block(m_parameters);
    m_parameters->clear();
    for (const ParameterEntry& entry : parameterEntries(boxesShown()))
        m_parameters->addItem(qText(entry.text), entry.curves);
    m_parameters->setCurrentIndex(m_parameters->count() > 0 ? 0 : -1);
    m_chart->model().setCurves(defaultCurves(boxesShown()));
    m_chart->refresh();
    showResults();
}

StabilityGroups CDlgBlink::boxesShown() const
{
    return {m_rgbi->isChecked(), m_hsi->isChecked(), m_xy->isChecked()};
}

void CDlgBlink::showResults()
{
    const StabilityResultTexts t = formatResults(m_chart->model().results());
    const std::string* texts[] = {&t.meanRed, &t.meanGreen, &t.meanBlue, &t.meanIntensity, &t.maxRed, &t.maxGreen,
        &t.maxBlue, &t.maxIntensity, &t.meanHue, &t.meanSaturation, &t.meanX, &t.meanY};
    for (std::size_t i = 0; i < m_results.size(); ++i)
        m_results[i]->setText(qText(*texts[i]));
}

void CDlgBlink::ConnectionChanged()
{
    m_measure->setEnabled(m_links.connected() && !m_links.run.IsMeasuring());
}

void CDlgBlink::ShowTitle(const std::string& title)
{
    setWindowTitle(qText(title));
}

void CDlgBlink::ShowRunning(bool running)
{
    if (running) {
        for (QWidget* control : std::initializer_list<QWidget*> {m_measure, m_parameters, m_readings, m_delay,
                 m_averaging, m_rgbi, m_hsi, m_xy, m_save, m_load, m_timeScale})
            control->setEnabled(false);
        m_default->setText(qText(StringId::Cancel));
        m_progress->setText(QStringLiteral("Sending the capture settings"));
        return;
    }
    m_default->setText(qText(StringId::Finish));
    m_progress->clear();
    enableIdleControls();
}

void CDlgBlink::enableIdleControls()
{
    const StabilityChoice choice = m_links.choice();
    m_measure->setEnabled(m_links.connected());
    m_parameters->setEnabled(true);
    m_readings->setEnabled(true);
    m_delay->setEnabled(true);
    m_averaging->setEnabled(choice.testMode == 2);
    m_rgbi->setEnabled(choice.checkRgb);
    m_hsi->setEnabled(choice.checkHsi);
    m_xy->setEnabled(choice.checkXy);
    const bool any = !m_links.run.Readings().empty();
    m_save->setEnabled(any);
    m_timeScale->setEnabled(any);
    m_load->setEnabled(true);
}

void CDlgBlink::ReadingsCleared()
{
    StabilityChart& chart = m_chart->model();
    // The run is drawn over the readings; its time axis comes back once its duration is known.
    m_timeScaleAfterRun = m_timeScale->isChecked();
    if (m_timeScaleAfterRun) {
        m_timeScale->setChecked(false);
        chart.setTimeScale(false);
    }
    chart.setReadingsSetting(m_links.run.readingCount());
    chart.clearResults();
    chart.clearReadings();
    chart.beginRun();
    m_chart->refresh();
    showResults();
    m_elapsed.start();
}

void CDlgBlink::ReadingTaken(int number, int count)
{
    m_chart->readingAdded();
    showResults();
    // The time left from the pace so far: a 100-reading run with long pauses lasts half an hour.
    const qint64 spent = m_elapsed.elapsed();
    const qint64 left = number > 0 ? spent * (count - number) / number : 0;
    m_progress->setText(number < count ? QStringLiteral("Reading %1 of %2, about %3 left")
                                             .arg(number)
                                             .arg(count)
                                             .arg(minutesAndSeconds(left + m_links.run.delayMs()))
                                       : QStringLiteral("Reading %1 of %2").arg(number).arg(count));
}

void CDlgBlink::RunEnded(bool completed)
{
    StabilityChart& chart = m_chart->model();
    chart.endRun();
    if (completed) {
        chart.setDurationMs(m_links.run.DurationMs());
        if (m_timeScaleAfterRun) {
            m_timeScale->setChecked(true);
            chart.setTimeScale(true);
        }
    }
    m_timeScaleAfterRun = false;
    m_chart->refresh();
    showResults();
}

// ---------------------------------------------------------------- edits

void CDlgBlink::onReadingsEdited()
{
    if (!m_readingsChanged)
        return;
    m_readingsChanged = false;
    if (!m_links.run.SetReadingCountText(coreText(m_readings->text()))) {
        refocus(m_readings);
        return;
    }
    m_readings->setText(QString::number(m_links.run.readingCount()));
    StabilityChart& chart = m_chart->model();
    m_timeScale->setChecked(false);
    chart.setTimeScale(false);
    chart.setReadingsSetting(m_links.run.readingCount());
    chart.setDurationMs(m_links.run.DurationMs());
    m_chart->refresh();
}

void CDlgBlink::onDelayEdited()
{
    if (!m_delayChanged)
        return;
    m_delayChanged = false;
    if (!m_links.run.SetDelayText(coreText(m_delay->text())))
        refocus(m_delay);
    else
        m_delay->setText(QString::number(m_links.run.delayMs()));
}

void CDlgBlink::onBoxClicked()
{
    m_links.run.boxes = boxesShown();
    fillParameters();
}

// ---------------------------------------------------------------- buttons

void CDlgBlink::onDefaultButton()
{
    if (m_links.run.IsMeasuring())
        m_links.run.RequestCancel();
    else
        close();
}

void CDlgBlink::onSave()
{
    const StabilityChoice choice = m_links.choice();
    StabilityReportInput input;
    input.setup = {choice.ledIndex, choice.rangeIndex, choice.testMode, m_links.run.averaging(), choice.userArea,
        m_links.run.DurationMs()};
    input.readings = m_links.run.Readings();
    input.groups = boxesShown();
    input.title = m_links.run.IdleTitle();
    saveStabilityReport(input, m_links.settings, m_links.dialogs);
}

void CDlgBlink::onLoad()
{
    const auto loaded = loadStabilityReport(m_links.settings, m_links.dialogs);
    if (!loaded)
        return;
    StabilityRun& run = m_links.run;
    run.Replace(
        loaded->readings, loaded->readingsSetting, loaded->setup ? loaded->setup->durationMs : run.DurationMs());
    if (loaded->setup) {
        run.SetAveraging(loaded->setup->averaging);
        if (m_links.applySetup)
            m_links.applySetup(*loaded->setup);
    }
    m_readings->setText(QString::number(run.readingCount()));
    if (loaded->groups) {
        const std::pair<QCheckBox*, bool> boxes[]
            = {{m_rgbi, loaded->groups->rgbi}, {m_hsi, loaded->groups->hsi}, {m_xy, loaded->groups->xy}};
        for (const auto& [box, on] : boxes) {
            const QSignalBlocker block(box);
            box->setChecked(on);
        }
        run.boxes = *loaded->groups;
    }
    {
        const QSignalBlocker block(m_averaging);
        m_averaging->setCurrentIndex(run.averaging());
    }
    StabilityChart& chart = m_chart->model();
    chart.setReadingsSetting(run.readingCount());
    chart.setDurationMs(run.DurationMs());
    fillParameters();
    chart.readingsReplaced(run.Readings());
    m_chart->refresh();
    showResults();
    ShowTitle(run.Title());
    m_save->setEnabled(false);
    m_timeScale->setEnabled(true);
}

// ---------------------------------------------------------------- closing

void CDlgBlink::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    // The close box during a run acts as Cancel does.
    if (m_links.run.IsMeasuring() && !m_atExit) {
        m_links.run.RequestCancel();
        event->ignore();
        return;
    }
    m_closed = true;
    m_links.settings.dlgBlinkPosX = pos().x();
    m_links.settings.dlgBlinkPosY = pos().y();
    m_links.settings.winSizeX = width();
    m_links.settings.winSizeY = height();
    // The window's readings go with it; the run settings stay for the next opening.
    m_links.run.ClearReadings();
    emit closing();
    event->accept();
}

void CDlgBlink::CloseAtExit()
{
    m_atExit = true;
    m_links.run.Abort();
    close();
}

void CDlgBlink::reject()
{
    onDefaultButton();
}

void CDlgBlink::accept()
{
    onDefaultButton();
}

} // namespace lumivex
