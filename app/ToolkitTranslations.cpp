#include "app/ToolkitTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

bool Install(const QLocale& locale, const QString& catalogue) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, catalogue, QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

}  // namespace

bool LoadToolkitTranslations(const QLocale& locale) {
    const bool base = Install(locale, QStringLiteral("qtbase"));
    Install(locale, QStringLiteral("qtwebengine"));
    return base;
}
