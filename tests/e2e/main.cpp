// The end-to-end tests pump Qt's event loop (QtScheduler, QSerialPort, QProcess): one
// QCoreApplication for the whole process.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The core's printf formats must not follow the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
