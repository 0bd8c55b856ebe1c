#include "multisensor/ui/CDlgMessliste.h"

#include "base/Dialogs.h"
#include "controls/ui/UiText.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/MeasurementRun.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/ReferenceFiles.h"
#include "multisensor/RunPlan.h"
#include "multisensor/SensorSettingsList.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <string_view>

namespace lumivex {

namespace {
constexpr int kOkButton = 1;
constexpr int kList = 1080;
constexpr int kPerformButton = 1081;
constexpr int kSaveReferenceButton = 1100;
constexpr int kLoadReferenceButton = 1101;
constexpr int kSaveReportButton = 1102;

const QColor kDeviationCell(255, 128, 128);
const QColor kDeviationRow(255, 255, 192);
const QColor kPassedRow(128, 255, 128);
const QColor kNotComparedRow(255, 255, 255);

// The widest text a column shows in practice, so that no value is cut whatever the run brings.
QString widestSample(std::string_view key)
{
    static const std::map<std::string_view, const char*> samples {{"no", "999"}, {"red", "Underfl."},
        {"green", "Underfl."}, {"blue", "Underfl."}, {"intensity", "99999"}, {"hue", "359.99"}, {"saturation", "100 %"},
        {"x", "0.0000"}, {"y", "0.0000"}, {"colourTemperature", "25000 K"}, {"mode", "MAN-MED"}, {"range", "3 x 3"}};
    const auto it = samples.find(key);
    return QString::fromLatin1(it == samples.end() ? "---" : it->second);
}

QPixmap drawRowIcon(int size, bool measured)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF disc(s * 0.08, s * 0.08, s * 0.84, s * 0.84);
    if (measured) {
        // A green disc with a white tick: this sensor has values from the last run.
        p.setPen(QPen(QColor(20, 110, 40), s / 16.0));
        p.setBrush(QColor(40, 170, 70));
        p.drawEllipse(disc);
        QPainterPath tick;
        tick.moveTo(s * 0.28, s * 0.52);
        tick.lineTo(s * 0.44, s * 0.68);
        tick.lineTo(s * 0.73, s * 0.34);
        p.setPen(QPen(Qt::white, s / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    } else {
        // A grey ring with a dash: nothing was measured.
        p.setPen(QPen(QColor(150, 150, 150), s / 10.0));
        p.setBrush(QColor(235, 235, 235));
        p.drawEllipse(disc);
        p.setPen(QPen(QColor(120, 120, 120), s / 9.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.32, s * 0.5), QPointF(s * 0.68, s * 0.5));
    }
    return pixmap;
}

QIcon rowIcon(bool measured)
{
    QIcon icon;
    for (const int size : {16, 32})
        icon.addPixmap(drawRowIcon(size, measured));
    return icon;
}

QTableWidgetItem* cell(QTableWidget* list, int row, int column)
{
    QTableWidgetItem* item = list->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        list->setItem(row, column, item);
    }
    return item;
}
} // namespace

QIcon measuredIcon()
{
    static const QIcon icon = rowIcon(true);
    return icon;
}

QIcon notMeasuredIcon()
{
    static const QIcon icon = rowIcon(false);
    return icon;
}

CDlgMessliste::CDlgMessliste(Links links, QWidget* parent) : QDialog(parent), m_links(std::move(links))
{
    setObjectName(QStringLiteral("CDlgMessliste"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    setWindowTitle(qText(m_links.readings.baseTitle()));

    m_list = new QTableWidget(this);
    m_list->setObjectName(controlName(kList));
    buildList();

    m_perform = new QPushButton(QStringLiteral("Perform measurement"), this);
    m_perform->setObjectName(controlName(kPerformButton));
    m_saveReference = new QPushButton(QStringLiteral("Save as reference"), this);
    m_saveReference->setObjectName(controlName(kSaveReferenceButton));
    m_loadReference = new QPushButton(QStringLiteral("Load reference"), this);
    m_loadReference->setObjectName(controlName(kLoadReferenceButton));
    m_saveReport = new QPushButton(QStringLiteral("Save Test Report"), this);
    m_saveReport->setObjectName(controlName(kSaveReportButton));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(controlName(kOkButton));
    // Enter in the list must not run a measurement by accident: OK is the default, as in a dialog.
    for (QPushButton* button : {m_perform, m_saveReference, m_loadReference, m_saveReport})
        button->setAutoDefault(false);
    m_ok->setDefault(true);

    m_hint = new QLabel(QStringLiteral("No sensor is set up for measuring yet: set them up in Test \u2192 "
                                       "Measurement settings (Change settings, or Change all settings)."),
        this);
    m_hint->setWordWrap(true);
    m_hint->hide();
    m_progressText = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(m_progressText->sizeHint().height());
    m_progressText->hide();
    m_progress->hide();

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progressText);
    progressRow->addWidget(m_progress, 1);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_perform, m_saveReference, m_loadReference, m_saveReport})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_hint);
    layout->addLayout(progressRow);
    layout->addLayout(buttons);

    connect(m_perform, &QPushButton::clicked, this, &CDlgMessliste::onPerform);
    connect(m_saveReference, &QPushButton::clicked, this, &CDlgMessliste::onSaveReference);
    connect(m_loadReference, &QPushButton::clicked, this, &CDlgMessliste::onLoadReference);
    connect(m_saveReport, &QPushButton::clicked, this, &CDlgMessliste::onSaveTestReport);
    connect(m_ok, &QPushButton::clicked, this, &CDlgMessliste::close);

    setTabOrder(m_list, m_perform);
    setTabOrder(m_perform, m_saveReference);
    setTabOrder(m_saveReference, m_loadReference);
    setTabOrder(m_loadReference, m_saveReport);
    setTabOrder(m_saveReport, m_ok);

    FillRows();
    // Wide enough for every column, and about a board and a half of rows before it scrolls.
    int width = m_list->verticalHeader()->isVisible() ? m_list->verticalHeader()->width() : 0;
    for (int c = 0; c < m_list->columnCount(); ++c)
        width += m_list->columnWidth(c);
    width += m_list->verticalScrollBar()->sizeHint().width() + 2 * m_list->frameWidth() + 4;
    const int rows = std::min(std::max(m_list->rowCount(), 5), 12);
    const int height = m_list->horizontalHeader()->sizeHint().height()
        + rows * m_list->verticalHeader()->defaultSectionSize() + 2 * m_list->frameWidth() + 4;
    m_list->setMinimumSize(std::max(width, sizeHint().width() - 24), height);
    ConnectionChanged();
}

CDlgMessliste::~CDlgMessliste() = default;

void CDlgMessliste::buildList()
{
    m_columns = readingColumns(m_links.readings.checks());
    m_list->setColumnCount(static_cast<int>(m_columns.size()) + 1);
    QStringList captions {qText(StringId::IconCaption)};
    for (const ReadingColumn& column : m_columns)
        captions << qText(column.caption);
    m_list->setHorizontalHeaderLabels(captions);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    m_list->setIconSize(QSize(16, 16));
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);

    const QFontMetrics text(m_list->font());
    const QFontMetrics header(m_list->horizontalHeader()->font());
    m_list->setColumnWidth(0, std::max(header.horizontalAdvance(captions[0]) + 16, 16 + 14));
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const int c = static_cast<int>(i) + 1;
        const int needed = std::max(
            header.horizontalAdvance(captions[c]) + 20, text.horizontalAdvance(widestSample(m_columns[i].key)) + 16);
        m_list->setColumnWidth(c, needed);
    }
}

void CDlgMessliste::showHint()
{
    const auto sensors = m_links.sensorSettings.walkByIndex();
    const int count = m_links.readings.sensorCount();
    m_hint->setVisible(std::none_of(
        sensors.begin(), sensors.end(), [count](const CKonfList* sensor) { return takesPart(*sensor, count); }));
}

void CDlgMessliste::FillRows()
{
    showHint();
    // Rows are updated in place, so a row the user looks at stays selected and in view.
    std::vector<ReadingRow> rows;
    for (int k = 1;; ++k) {
        ReadingRow row;
        if (!m_links.readings.rowOf(k, row))
            break;
        rows.push_back(std::move(row));
    }
    m_list->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const ReadingRow& row = rows[static_cast<std::size_t>(r)];
        const QColor rowColour = row.state == ReadingRow::State::Deviation ? kDeviationRow
            : row.state == ReadingRow::State::Passed                       ? kPassedRow
                                                                           : kNotComparedRow;
        // The colours say it at a glance; the tooltip says it in words.
        const QString verdict = qText(comparisonText(row));
        QTableWidgetItem* icon = cell(m_list, r, 0);
        icon->setIcon(row.measured ? measuredIcon() : notMeasuredIcon());
        icon->setBackground(rowColour);
        icon->setToolTip(verdict);
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            const ReadingColumn& column = m_columns[i];
            QTableWidgetItem* item = cell(m_list, r, static_cast<int>(i) + 1);
            item->setText(qText(row.*column.text));
            item->setTextAlignment(Qt::AlignCenter);
            const bool deviates = (column.text == &ReadingRow::intens && row.intensCellDeviates)
                || (column.text == &ReadingRow::x && row.xCellDeviates)
                || (column.text == &ReadingRow::y && row.yCellDeviates);
            item->setBackground(row.state == ReadingRow::State::Deviation && deviates ? kDeviationCell : rowColour);
            // Black on the light colours, also under a dark desktop theme.
            item->setForeground(Qt::black);
            item->setToolTip(verdict);
        }
    }
}

void CDlgMessliste::ShowTitle(const std::string& title)
{
    setWindowTitle(qText(title));
}

void CDlgMessliste::EnablePerform(bool enabled)
{
    // Disabled as a run starts, enabled as it ends: the lists the run writes are not to be
    // replaced or saved half-done meanwhile.
    m_perform->setEnabled(enabled && m_links.connected());
    for (QPushButton* button : {m_saveReference, m_loadReference, m_saveReport})
        button->setEnabled(enabled);
    if (enabled) {
        m_progressText->hide();
        m_progress->hide();
    }
}

void CDlgMessliste::ShowProgress(int position, int count)
{
    m_progressText->setText(QStringLiteral("Sensor %1 of %2").arg(position).arg(count));
    m_progress->setRange(0, std::max(count, 1));
    m_progress->setValue(position);
    m_progressText->show();
    m_progress->show();
}

void CDlgMessliste::ConnectionChanged()
{
    const bool canRun = m_links.connected() && m_links.readings.sensorCount() > 0;
    m_perform->setEnabled(canRun && !m_links.run.IsMeasuring());
    if (canRun)
        m_links.run.StartInputPoll();
    else
        m_links.run.StopInputPoll();
}

void CDlgMessliste::onPerform()
{
    if (m_links.perform)
        m_links.perform();
}

void CDlgMessliste::onSaveReference()
{
    saveReferenceWithDialog(m_links.readings, m_links.sensorSettings, m_links.dialogs, m_links.settings.sensorSettings);
    ShowTitle(m_links.readings.baseTitle());
}

void CDlgMessliste::onLoadReference()
{
    const bool loaded = loadReferenceWithDialog(
        m_links.readings, m_links.sensorSettings, m_links.dialogs, m_links.settings.sensorSettings);
    ShowTitle(m_links.readings.baseTitle());
    if (loaded)
        FillRows();
}

void CDlgMessliste::onSaveTestReport()
{
    if (m_links.saveTestReport)
        m_links.saveTestReport();
}

void CDlgMessliste::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    if (!m_atExit && !m_links.run.ConfirmClose()) {
        event->ignore();
        return;
    }
    m_closed = true;
    m_links.settings.messlistPosX = pos().x();
    m_links.settings.messlistPosY = pos().y();
    emit closing();
    m_links.run.SwitchOutputsOffOnClose();
    event->accept();
}

void CDlgMessliste::changeEvent(QEvent* event)
{
    // Back from the settings windows: the hint follows what was set up there.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        showHint();
    QDialog::changeEvent(event);
}

void CDlgMessliste::CloseAtExit()
{
    m_atExit = true;
    close();
}

void CDlgMessliste::reject()
{
    close();
}

void CDlgMessliste::accept()
{
    close();
}

} // namespace lumivex
