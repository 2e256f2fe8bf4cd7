// The tests of the program's windows on a real X server: Qt's xcb platform,
// the display that xvfb-run gives (ctest runs them so). Every message Qt
// prints at warning level or above is kept, so each test can insist that the
// window printed none.
#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <gtest/gtest.h>

#include "ScreenFixture.h"

namespace {

QtMessageHandler PreviousHandler = nullptr;

void KeepWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtDebugMsg && type != QtInfoMsg) xcbtest::QtWarnings().push_back(message);
    if (PreviousHandler) PreviousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "test_xcb needs an X server: run it through xvfb-run, as ctest does.\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // A desktop session has its own runtime folder; an X server started for
    // the tests comes without one.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    PreviousHandler = qInstallMessageHandler(KeepWarnings);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    return RUN_ALL_TESTS();
}
