#include "serial/ui/CommPrompts.h"

#include "serial/MSComm1.h"
#include "util/Texts.h"

#include <QDir>

namespace zkd {

std::optional<PromptMessage> commEventPrompt(CommEventCode event, const QString &portName)
{
    const auto message = commEventMessage(event);
    if (!message)
        return std::nullopt;
    const QString text = event == CommEventCode::DeviceLost
        ? *message + QStringLiteral(" (") + QDir::toNativeSeparators(portName) + QLatin1Char(')')
        : *message;
    return PromptMessage{text, str(texts::CommErrorTitle), PromptIcon::None, {PromptButton::Ok, PromptButton::Cancel}};
}

} // namespace zkd
