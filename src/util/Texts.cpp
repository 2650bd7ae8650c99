#include "util/Texts.h"

namespace zkd {

std::optional<QString> pick(const Language &language, const LangText &text)
{
    const char16_t *entry = nullptr;
    switch (language.kind()) {
    case Language::Kind::German: entry = text.de; break;
    case Language::Kind::English: entry = text.en; break;
    case Language::Kind::French: entry = text.fr; break;
    case Language::Kind::None: break;
    }
    if (!entry)
        return std::nullopt;
    return QString::fromUtf16(entry);
}

QString pickOrEmpty(const Language &language, const LangText &text)
{
    return pick(language, text).value_or(QString());
}

} // namespace zkd
