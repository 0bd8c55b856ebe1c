#pragma once

#include <QGroupBox>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace lumivex {

class Dialogs;
class TestConfiguration;

// The "Test Configuration" group: board, LED, test mode, the options list, and in User mode the
// area and time. Each control hands the user's choice to TestConfiguration and then shows what
// the configuration says the controls hold; the rules live there.
class TestConfigPanel : public QGroupBox {
    Q_OBJECT

public:
    TestConfigPanel(TestConfiguration& config, Dialogs& dialogs, QWidget* parent = nullptr);

    // Every control from the configuration (start-up).
    void showConfiguration();
    // The board list after the device reported its boards.
    void showBoards();
    // An edited user time is checked (once, with its message when refused) and the time that
    // will be used is put back into the field. On leaving the field, on Enter and before a test.
    void commitUserTime();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showOptions();
    void showUserControls();
    void onTestModeChanged(int mode);
    void onUserTimeEdited();

    TestConfiguration& m_config;
    Dialogs& m_dialogs;
    QComboBox* m_board;
    QComboBox* m_led;
    QComboBox* m_mode;
    QLabel* m_optionsLabel;
    QComboBox* m_options;
    QLabel* m_areaLabel;
    QRadioButton* m_area3x3;
    QRadioButton* m_area9x9;
    QButtonGroup* m_area;
    QLabel* m_timeLabel;
    QLineEdit* m_userTime;
    bool m_userTimeEdited = false;
    QLabel* m_msLabel;
};

} // namespace lumivex
