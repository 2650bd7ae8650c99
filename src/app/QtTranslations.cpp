#include "app/QtTranslations.h"

#include "util/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace zkd {

QStringList qtTranslationFolders()
{
    return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

std::unique_ptr<QTranslator> installQtTranslations(const Language &language, const QStringList &folders)
{
    QString file;
    switch (language.kind()) {
    case Language::Kind::German: file = QStringLiteral("qtbase_de.qm"); break;
    case Language::Kind::French: file = QStringLiteral("qtbase_fr.qm"); break;
    case Language::Kind::English:
    case Language::Kind::None: return nullptr;
    }
    auto translator = std::make_unique<QTranslator>();
    for (const QString &folder : folders) {
        if (translator->load(file, folder) && QCoreApplication::installTranslator(translator.get()))
            return translator;
    }
    return nullptr;
}

} // namespace zkd
