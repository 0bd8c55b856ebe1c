#pragma once

#include <QObject>

#include <array>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace lumivex {

class BarControl;
struct BarPositions;
struct ResultFields;

// The result display's controls: the "Test Results" group with its four bars, the
// "Sensorvalues", HSI and CIE XY groups, and the three check boxes that choose which value groups
// are shown. The window places the groups; this class fills them from the result display's state.
class ResultPanel : public QObject {
    Q_OBJECT

public:
    explicit ResultPanel(QWidget* parent);

    QGroupBox* testResults() const { return m_testResults; }
    QGroupBox* sensorValues() const { return m_sensorValues; }
    QGroupBox* hsiValues() const { return m_hsiValues; }
    QGroupBox* xyValues() const { return m_xyValues; }
    // The row of check boxes "RGB", "HSI", "CIE XY".
    QWidget* groupChecks() const { return m_checks; }
    QCheckBox* checkRgb() const { return m_checkRgb; }
    QCheckBox* checkHsi() const { return m_checkHsi; }
    QCheckBox* checkXy() const { return m_checkXy; }

    // The texts as the display last moved them into the controls.
    void showFields(const ResultFields& fields);
    void showBars(const BarPositions& bars);
    // The check boxes and the groups they govern.
    void showGroups(bool rgb, bool hsi, bool xy);

private:
    QGroupBox* makeValueGroup(const QString& title, const char* objectName, int firstId,
        const std::array<QString, 3>& labels, std::array<QLineEdit*, 3>& fields, QWidget* parent);

    QGroupBox* m_testResults;
    QGroupBox* m_sensorValues;
    QGroupBox* m_hsiValues;
    QGroupBox* m_xyValues;
    QWidget* m_checks;
    QCheckBox* m_checkRgb;
    QCheckBox* m_checkHsi;
    QCheckBox* m_checkXy;

    std::array<QLineEdit*, 4> m_shares {}; // RED, GREEN, BLUE, INTENSITY
    std::array<QLabel*, 3> m_shareLabels {}; // the percents above the colour bars
    std::array<BarControl*, 4> m_bars {};
    std::array<QLineEdit*, 3> m_sensor {};
    std::array<QLineEdit*, 3> m_hsi {};
    std::array<QLineEdit*, 3> m_xy {};
    std::vector<QLabel*> m_valueLabels;
};

} // namespace lumivex
