// Zephyrant: the program's entry.
#include <QApplication>
#include <QLocale>
#include <clocale>

#include "ui/Guard.h"
#include "ui/Program.h"
#include "ui/UZephyrant.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Qt takes the user's locale on Linux; numbers in files and on screen
    // must not follow a decimal comma.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    QApplication::setApplicationName(QStringLiteral("Zephyrant"));

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    int result = 1;
    Guarded([&] {
        TProgram program(arguments, true);
        program.MainWindow().showMaximized();
        result = QApplication::exec();
    });
    return result;
}
