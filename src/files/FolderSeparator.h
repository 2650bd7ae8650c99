#pragma once

#include <QChar>

namespace zkd {

// The character that separates folders in the platform's native paths. Qt's
// file dialogs return "/" on every platform: turn their paths into native form
// (QDir::toNativeSeparators) before applying rules that split at this one.
#ifdef Q_OS_WIN
inline constexpr QChar kFolderSeparator{u'\\'};
#else
inline constexpr QChar kFolderSeparator{u'/'};
#endif

} // namespace zkd
