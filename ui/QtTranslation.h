// Qt's own texts (the file dialogs, their overwrite question, the buttons of
// message boxes) in Japanese, like the rest of the interface.
#pragma once

#include <QLibraryInfo>
#include <QString>

namespace pictor::ui {

// The title of the program's message boxes.
inline constexpr char kProgramTitle[] = "Pictor";

// Loads Qt's Japanese translation (qtbase_ja.qm) from folder and installs it
// in the running application, whatever the session's locale. When the file
// is missing or cannot be read it returns false and changes nothing: Qt's
// texts then stay English, and nothing is reported.
bool InstallQtTranslation(const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

} // namespace pictor::ui
