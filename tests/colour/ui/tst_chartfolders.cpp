// Where the program finds its own chart images when no chart lies in the working folder: beside the
// executable, in an install tree's data folder seen from its bin folder, or in the build's folder.

#include "colour/ui/ChartFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lumivex;

namespace {
const QString kCie1931 = QStringLiteral("CIE1931_2.bmp"); // choice 0
const QString kCie1964 = QStringLiteral("CIE1964_10.bmp"); // choice 1
} // namespace

class TestChartFolders : public QObject {
    Q_OBJECT

private slots:
    void searchOrder_data()
    {
        QTest::addColumn<QStringList>("files"); // below the prefix
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("expected"); // below the prefix; empty: the build's folder

        const QString beside = QStringLiteral("bin/charts/");
        const QString installed = QStringLiteral("share/lumivex/charts/");
        QTest::newRow("nothing installed") << QStringList {} << 0 << QString();
        QTest::newRow("beside the program") << QStringList {beside + kCie1931} << 0 << QStringLiteral("bin/charts");
        QTest::newRow("installed data folder")
            << QStringList {installed + kCie1931} << 0 << QStringLiteral("share/lumivex/charts");
        QTest::newRow("beside the program wins over installed")
            << QStringList {beside + kCie1964, installed + kCie1964} << 1 << QStringLiteral("bin/charts");
        QTest::newRow("installed folder lacks this chart") << QStringList {installed + kCie1931} << 1 << QString();
        QTest::newRow("a folder named like the chart is no image")
            << QStringList {installed + kCie1931 + QStringLiteral("/x")} << 0 << QString();
    }

    void searchOrder()
    {
        QFETCH(QStringList, files);
        QFETCH(int, choice);
        QFETCH(QString, expected);

        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QDir root(prefix.path());
        QVERIFY(root.mkpath(QStringLiteral("bin")));
        for (const QString& file : files) {
            QVERIFY(root.mkpath(QFileInfo(root.filePath(file)).path()));
            QFile image(root.filePath(file));
            QVERIFY(image.open(QIODevice::WriteOnly));
            image.write("BM");
        }

        const std::string found = ownChartFolderFrom(root.filePath(QStringLiteral("bin")).toStdString(), choice);
        const std::string want
            = expected.isEmpty() ? std::string(LUMIVEX_CHART_DIR) : root.filePath(expected).toStdString();
        QCOMPARE(found, want);
    }
};

QTEST_GUILESS_MAIN(TestChartFolders)
#include "tst_chartfolders.moc"
