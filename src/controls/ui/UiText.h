#pragma once

#include "foundation/StringTable.h"

#include <QFont>
#include <QString>

#include <string>
#include <string_view>

class QLabel;
class QPoint;
class QLineEdit;
class QWidget;

namespace lumivex {

// The core's Windows-1252 text as Qt text.
QString qText(std::string_view windows1252);
QString qText(StringId id);
// The same for a text that may hold "\r\n" line ends; Qt wants "\n" alone.
QString qMultiLine(std::string_view windows1252);
// Qt text back into the core's bytes (characters outside Windows-1252 become '?').
std::string coreText(const QString& text);

// The window's fonts: a family name, a pixel height and a weight (400 regular ... 800 extra bold),
// with a style hint so that fontconfig finds a metric-compatible face when the family is missing.
QFont arialFont(int pixelHeight, int weight);
QFont courierFont(int pixelHeight, int weight);

// Black text on white: the value fields and the two header fields.
void paintBlackOnWhite(QWidget* widget);
// A read-only, centred value field in Arial 16 px, weight 600, black on white.
QLineEdit* makeValueField(int controlId, QWidget* parent);
// What a window manager adds around a window: borders and the title bar.
inline constexpr int kFrameAllowanceWidth = 16;
inline constexpr int kFrameAllowanceHeight = 40;
// Moves a top-level window to its stored position, kept whole inside the free area of the screen
// it lands on: a position stored on a larger or vanished screen must not leave it out of reach.
// A null position centres it.
void moveInsideScreen(QWidget* window, const QPoint& stored);

// The object name of a control by its id ("c1023"), so that tests and style sheets can find it.
QString controlName(int controlId);

} // namespace lumivex
