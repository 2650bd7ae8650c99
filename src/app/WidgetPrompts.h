#pragma once

#include "util/Prompts.h"

class QWidget;

namespace zkd {

// Real message boxes and file dialogs, owned by the given window.
class WidgetPrompts final : public IPrompts
{
public:
    explicit WidgetPrompts(QWidget *owner = nullptr) : m_owner(owner) {}
    void setOwner(QWidget *owner) { m_owner = owner; }

    PromptButton ask(const PromptMessage &message) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    void about(const QString &application, const QString &text) override;
    void beep() override;

private:
    QWidget *m_owner;
};

} // namespace zkd
