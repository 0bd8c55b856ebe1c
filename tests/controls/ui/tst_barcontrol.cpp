// The bar stands where the result display puts it, whatever it is given.

#include "controls/ui/BarControl.h"

#include <QImage>
#include <QTest>

#include <climits>
#include <tuple>

using lumivex::BarControl;

class TestBarControl : public QObject {
    Q_OBJECT

private slots:
    void positionStaysWithinTheRangeAndStepItWrapsAtTheEnds()
    {
        BarControl bar(Qt::Vertical);
        bar.setRange(0, 100);
        for (const auto& [wanted, held] : {std::pair {150, 100}, {-3, 0}, {INT_MIN, 0}}) {
            bar.setPosition(wanted);
            QCOMPARE(bar.position(), held);
        }

        // Ends in the wrong order are swapped; a shrinking range pulls the position in.
        bar.setPosition(80);
        bar.setRange(50, 10);
        QCOMPARE(std::tuple(bar.minimum(), bar.maximum(), bar.position(), bar.fill()), std::tuple(10, 50, 50, 1.0));

        bar.setRange(7, 7); // an empty range fills nothing rather than dividing by zero
        QCOMPARE(bar.fill(), 0.0);

        bar.setRange(0, 10);
        bar.setStep(4);
        bar.setPosition(8);
        bar.stepIt();
        QCOMPARE(bar.position(), 0);
        bar.stepIt();
        QCOMPARE(bar.position(), 4);

        bar.setStep(-5);
        bar.stepIt();
        QCOMPARE(bar.position(), 10); // below the start: from the top again

        bar.setRange(0, INT_MAX);
        bar.setPosition(INT_MAX - 1);
        bar.setStep(INT_MAX);
        bar.stepIt();
        QCOMPARE(bar.position(), 0);
    }

    void paintsTheFilledShareInItsColour()
    {
        BarControl bar(Qt::Vertical);
        bar.resize(20, 100);
        bar.setRange(0, 100);
        bar.setBarColour(QColor(0, 0, 255));
        bar.setPosition(25);
        const QImage image = bar.grab().toImage();
        // Sampled in the bar's middle column: blue in the lowest quarter, no blue above half.
        const QColor low = image.pixelColor(image.width() / 2, image.height() * 90 / 100);
        const QColor high = image.pixelColor(image.width() / 2, image.height() * 40 / 100);
        QVERIFY2(low.blue() > 150 && low.red() < 100, qPrintable(low.name()));
        QVERIFY2(high.blue() - high.red() < 40, qPrintable(high.name()));
    }
};

QTEST_MAIN(TestBarControl)
#include "tst_barcontrol.moc"
