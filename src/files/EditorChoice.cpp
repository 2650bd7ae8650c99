#include "files/EditorChoice.h"

#include "util/Texts.h"

#include <QFileInfo>

namespace zkd {

QString editorForFile(const QString &path)
{
    // A missing file reports size 0 and so picks the small editor.
    const QFileInfo info(path);
    const bool large = info.isFile() && info.size() >= kLargeTextFileBytes;
    return str(large ? texts::EditorLarge : texts::EditorSmall);
}

} // namespace zkd
