#include "multisensor/ui/CDlgKonfListe.h"

#include "controls/ui/UiText.h"
#include "foundation/Settings.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/SettingsFileChoice.h"
#include "multisensor/SettingsRows.h"
#include "multisensor/ui/CDlgSettings.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace lumivex {

namespace {
constexpr int kOkButton = 1;
constexpr int kChangeButton = 1095;
constexpr int kList = 1096;
constexpr int kChangeAllButton = 1097;
constexpr int kSaveButton = 1099;
constexpr int kLoadButton = 1100;
constexpr int kCellPadding = 20;

// The list view: a click on empty space leaves no row selected, and every click and double click
// is reported once the view has updated its selection.
class SettingsTable : public QTableWidget {
public:
    explicit SettingsTable(QWidget* parent) : QTableWidget(parent) { }
    std::function<void()> clicked;
    std::function<void()> doubleClicked;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QTableWidget::mousePressEvent(event);
        if (!indexAt(event->position().toPoint()).isValid())
            clearSelection();
        clicked();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTableWidget::mouseDoubleClickEvent(event);
        if (!indexAt(event->position().toPoint()).isValid())
            clearSelection();
        doubleClicked();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        // Enter on a selected row opens it, as a double click does; without one the dialog's OK takes it.
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && !selectedItems().isEmpty()) {
            doubleClicked();
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};
} // namespace

CDlgKonfListe::CDlgKonfListe(
    SensorSettingsList& list, Settings& settings, std::function<int()> firmware, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      m_list(list),
      m_settings(settings),
      m_firmware(std::move(firmware)),
      m_dialogs(dialogs),
      m_model(list, dialogs)
{
    setObjectName(QStringLiteral("CDlgKonfListe"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);
    setWindowTitle(QStringLiteral("List of settings"));

    auto* table = new SettingsTable(this);
    m_table = table;
    m_table->setObjectName(controlName(kList));
    table->clicked = [this] { rowClicked(); };
    table->doubleClicked = [this] { rowDoubleClicked(); };
    buildList();

    m_change = new QPushButton(QStringLiteral("Change settings"), this);
    m_changeAll = new QPushButton(QStringLiteral("Change all settings"), this);
    auto* save = new QPushButton(QStringLiteral("Save settings"), this);
    auto* load = new QPushButton(QStringLiteral("Load settings"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    const std::pair<QPushButton*, int> buttons[]
        = {{m_change, kChangeButton}, {m_changeAll, kChangeAllButton}, {save, kSaveButton}, {load, kLoadButton}};
    auto* row = new QHBoxLayout;
    for (const auto& [button, buttonId] : buttons) {
        button->setObjectName(controlName(buttonId));
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    row->addStretch(1);
    row->addWidget(ok);
    ok->setObjectName(controlName(kOkButton));
    ok->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(row);

    connect(m_change, &QPushButton::clicked, this, &CDlgKonfListe::onChangeSettings);
    connect(m_changeAll, &QPushButton::clicked, this, &CDlgKonfListe::onChangeAllSettings);
    connect(save, &QPushButton::clicked, this, &CDlgKonfListe::onSaveSettings);
    connect(load, &QPushButton::clicked, this, &CDlgKonfListe::onLoadSettings);
    connect(ok, &QPushButton::clicked, this, &CDlgKonfListe::close);
    // Arrow keys move the selection as clicks do.
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CDlgKonfListe::rowClicked);

    QWidget* order[] = {m_table, m_change, m_changeAll, save, load, ok};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    RefillSettingsRows();
    // Every column whole, and three boards of rows before the list scrolls.
    int width = 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width() + 4;
    for (int c = 0; c < m_table->columnCount(); ++c)
        width += m_table->columnWidth(c);
    const int height = m_table->horizontalHeader()->sizeHint().height()
        + 15 * m_table->verticalHeader()->defaultSectionSize() + 2 * m_table->frameWidth() + 4;
    m_table->setMinimumSize(width, height);
    showSelection();
}

void CDlgKonfListe::buildList()
{
    m_table->setColumnCount(kSettingsColumnCount);
    QStringList captions;
    for (const SettingsColumn& column : kSettingsColumns)
        captions << qText(column.caption);
    m_table->setHorizontalHeaderLabels(captions);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(true);
    m_table->setWordWrap(false);
    m_table->setTabKeyNavigation(false);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setStretchLastSection(false);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);

    const QFontMetrics text(m_table->font());
    const QFontMetrics header(m_table->horizontalHeader()->font());
    for (int c = 0; c < kSettingsColumnCount; ++c) {
        const SettingsColumn& column = kSettingsColumns[static_cast<std::size_t>(c)];
        // Sized by what they show: every value whole, and the list still fits a small screen.
        m_table->setColumnWidth(c,
            std::max(header.horizontalAdvance(captions[c]), text.horizontalAdvance(qText(column.widest)))
                + kCellPadding);
    }
}

void CDlgKonfListe::RefillSettingsRows()
{
    const std::vector<SettingsRowTexts> rows = settingsRows(m_list);
    const int count = static_cast<int>(rows.size());
    // Rows are updated in place, so a selected row stays selected and in view.
    m_table->setRowCount(count);
    const QFontMetrics metrics(m_table->font());
    for (int r = 0; r < count; ++r) {
        for (int c = 0; c < kSettingsColumnCount; ++c) {
            QTableWidgetItem* item = m_table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                m_table->setItem(r, c, item);
            }
            const QString value = qText(rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
            item->setText(value);
            // A value longer than the column was made for (a file's odd text) widens it.
            const int needed = metrics.horizontalAdvance(value) + kCellPadding;
            if (needed > m_table->columnWidth(c))
                m_table->setColumnWidth(c, needed);
        }
    }
    m_model.rowsRefilled(count);
    showSelection();
}

int CDlgKonfListe::selectedRow() const
{
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    return selected.isEmpty() ? 0 : selected.front()->row() + 1;
}

void CDlgKonfListe::rowClicked()
{
    m_model.click(selectedRow());
    showSelection();
}

void CDlgKonfListe::rowDoubleClicked()
{
    const bool change = m_model.doubleClick(selectedRow());
    showSelection();
    // Once the view has finished with the double click: the settings dialog runs its own loop.
    if (change)
        QTimer::singleShot(0, this, &CDlgKonfListe::onChangeSettings);
}

void CDlgKonfListe::showSelection()
{
    if (m_model.selectedRow() == 0 && !m_table->selectedItems().isEmpty())
        m_table->clearSelection();
    m_change->setEnabled(m_model.changeButtonsEnabled());
    m_changeAll->setEnabled(m_model.changeButtonsEnabled());
}

void CDlgKonfListe::onChangeSettings()
{
    const bool changed = m_model.changeSettings(
        DeviationSettings::fromSettings(m_settings), m_firmware ? m_firmware() : 0, [this](SensorSettingsForm& form) {
            CDlgSettings dialog(form, m_dialogs, this);
            return dialog.exec() == QDialog::Accepted;
        });
    if (changed)
        RefillSettingsRows();
    showSelection();
}

void CDlgKonfListe::onChangeAllSettings()
{
    if (m_model.changeAllSettings(DeviationSettings::fromSettings(m_settings)))
        RefillSettingsRows();
    showSelection();
}

void CDlgKonfListe::onSaveSettings()
{
    saveSettingsWithDialog(m_list, m_dialogs, m_settings.sensorSettings);
}

void CDlgKonfListe::onLoadSettings()
{
    if (loadSettingsWithDialog(m_list, m_dialogs, m_settings.sensorSettings))
        RefillSettingsRows();
}

void CDlgKonfListe::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        m_settings.konfListPosX = pos().x();
        m_settings.konfListPosY = pos().y();
        emit closed();
    }
    event->accept();
}

void CDlgKonfListe::reject()
{
    close();
}

void CDlgKonfListe::accept()
{
    close();
}

} // namespace lumivex
