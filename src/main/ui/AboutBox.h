#pragma once

#include <QDialog>

namespace lumivex {

// The About box: the program's icon, its name, the version line (string 114) and OK.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);
};

} // namespace lumivex
