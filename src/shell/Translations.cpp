#include "shell/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace movalux::shell {

QList<QTranslator*> installQtJapanese() {
    QList<QTranslator*> installed;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // qtbase holds the widgets' and the platform theme's texts; the sound
    // module has a few messages of its own.
    for (const char* catalogue : {"qtbase_ja", "qtmultimedia_ja"}) {
        auto* t = new QTranslator(QCoreApplication::instance());
        if (t->load(QString::fromLatin1(catalogue), folder) &&
            QCoreApplication::installTranslator(t)) {
            installed.push_back(t);
        } else {
            delete t;
        }
    }
    return installed;
}

}  // namespace movalux::shell
