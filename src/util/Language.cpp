#include "util/Language.h"

namespace zkd {

Language::Kind Language::kind() const
{
    if (m_value == QLatin1String("Deutsch"))
        return Kind::German;
    if (m_value == QLatin1String("English"))
        return Kind::English;
    if (m_value == QLatin1String("Francais"))
        return Kind::French;
    return Kind::None;
}

} // namespace zkd
