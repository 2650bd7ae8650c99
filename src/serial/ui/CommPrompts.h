#pragma once

#include "util/Prompts.h"

#include <optional>

namespace zkd {

enum class CommEventCode;

// The message box a line event is told with, OK and Cancel; nothing for the
// events that are not told. A device that went away is named by its port,
// so the user knows which cable to check.
std::optional<PromptMessage> commEventPrompt(CommEventCode event, const QString &portName);

} // namespace zkd
