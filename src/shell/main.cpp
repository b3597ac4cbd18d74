// The editor window's program: one Form1 on one Editor, started with the
// command line's arguments (one movie name).

#include <QApplication>

#include "shell/ClassicDialogs.h"
#include "shell/Form1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movalux"));
    std::vector<std::string> arguments;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(movalux::shell::utf8(args[i]));
    movalux::shell::Form1 window;
    window.Form_Load(arguments);
    window.show();
    return QApplication::exec();
}
