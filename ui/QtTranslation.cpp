// Qt's Japanese translation.
#include "ui/QtTranslation.h"

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace pictor::ui {

bool InstallQtTranslation(const QString& folder)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_ja"), folder)) return false;
    if (!QCoreApplication::installTranslator(translator.get())) return false;
    // Installed for the application's life: the application owns it.
    translator.release()->setParent(app);
    return true;
}

} // namespace pictor::ui
