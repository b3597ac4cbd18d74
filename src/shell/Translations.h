#pragma once
// Qt's own dialogs (file dialogs, their overwrite question, standard
// buttons) speak Japanese like the rest of the window, whatever the user's
// locale: Qt's Japanese catalogues from the system's translations folder.

#include <QList>

class QTranslator;

namespace movalux::shell {

// Installs the catalogues found on the application; returns them (owned by
// the application) so that they can be removed again. Missing catalogues
// leave those texts in English; nothing else changes.
QList<QTranslator*> installQtJapanese();

}  // namespace movalux::shell
