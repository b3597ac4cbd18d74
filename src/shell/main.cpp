// The editor window's program: one Form1 on one Editor, started with the
// command line's arguments (one movie name), or with "--edit EDITFILE" to
// open an edit file and its movie ("--frame N" then shows frame N). Unsaved
// work is autosaved for recovery.

#include <QApplication>
#include <csignal>

#include "editfile/RecoveryStore.h"
#include "shell/ClassicDialogs.h"
#include "shell/Form1.h"
#include "shell/Translations.h"

int main(int argc, char** argv) {
    // A write that reaches the file size limit must fail with its message
    // (and keep the window), not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Movalux"));
    movalux::shell::installQtJapanese();
    std::vector<std::string> arguments;
    std::string editFile;
    int32_t frame = -1;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--edit") && i + 1 < args.size()) {
            editFile = movalux::shell::utf8(args[++i]);
            continue;
        }
        if (args[i] == QStringLiteral("--frame") && i + 1 < args.size()) {
            bool ok = false;
            const int n = args[++i].toInt(&ok);
            if (ok && n >= 0) frame = n;
            continue;
        }
        arguments.push_back(movalux::shell::utf8(args[i]));
    }
    movalux::shell::Form1 window;
    window.enableRecovery(movalux::defaultRecoveryFolder());
    window.Form_Load(arguments);
    window.show();
    // What an editor that ended without closing its project left behind.
    window.offerRecovery();
    if (!editFile.empty()) {
        window.openEditFile(editFile);
        if (frame >= 0 && window.editor().MvOpen == movalux::kTrue) window.goToFrame(frame);
    }
    return QApplication::exec();
}
