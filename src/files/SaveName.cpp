#include "files/SaveName.h"

#include <QStringView>

namespace zkd {
namespace {

constexpr QChar kDot{u'.'};
constexpr QStringView kUpperCsv{u"CSV"};
constexpr QStringView kLowerCsv{u"csv"};
constexpr QStringView kCsvExtension{u".csv"};

} // namespace

QString normaliseSaveName(const QString &chosen, QChar separator)
{
    // lastIndexOf gives -1 without a separator, so the whole text is the file name.
    const qsizetype nameStart = chosen.lastIndexOf(separator) + 1;
    QString name = chosen.left(nameStart);
    for (const QChar c : QStringView(chosen).mid(nameStart)) {
        if (c != kDot)
            name.append(c);
    }
    if (name.endsWith(kUpperCsv, Qt::CaseSensitive) || name.endsWith(kLowerCsv, Qt::CaseSensitive))
        name.chop(kLowerCsv.size());
    name.append(kCsvExtension);
    return name;
}

} // namespace zkd
