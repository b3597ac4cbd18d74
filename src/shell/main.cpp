// The editor window's program: one Form1 on one Editor. The command line's
// arguments are joined into the one movie name the window checks.

#include <QApplication>

#include "shell/ClassicDialogs.h"
#include "shell/Form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movalux"));
    std::string commandLine;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += movalux::shell::utf8(args[i]);
    }
    movalux::shell::Form1 window;
    window.Form_Load(commandLine);
    window.show();
    return QApplication::exec();
}
