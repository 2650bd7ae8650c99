#pragma once

#include "util/Prompts.h"

#include <QList>
#include <QQueue>
#include <functional>

namespace zkd::test {

// Answers message boxes and file dialogs from queues and records what the
// user would have seen. A message without a queued answer gets its first button.
class ScriptedPrompts final : public IPrompts
{
public:
    struct FileRequest
    {
        bool save;
        FileDialogRequest request;
    };

    QList<PromptMessage> messages;
    QList<FileRequest> fileRequests;
    QQueue<PromptButton> answers;
    QQueue<std::optional<QString>> files;
    int beeps = 0;
    int aboutCount = 0;
    QString aboutApplication;
    QString aboutText;
    // Runs while a message is "open", as the user would act meanwhile.
    std::function<void(const PromptMessage &)> onMessage;

    PromptButton ask(const PromptMessage &message) override
    {
        messages.append(message);
        if (onMessage)
            onMessage(message);
        if (!answers.isEmpty())
            return answers.dequeue();
        return message.buttons.isEmpty() ? PromptButton::Ok : message.buttons.first();
    }
    std::optional<QString> saveFile(const FileDialogRequest &request) override
    {
        fileRequests.append({true, request});
        return files.isEmpty() ? std::nullopt : files.dequeue();
    }
    std::optional<QString> openFile(const FileDialogRequest &request) override
    {
        fileRequests.append({false, request});
        return files.isEmpty() ? std::nullopt : files.dequeue();
    }
    void about(const QString &application, const QString &text) override
    {
        ++aboutCount;
        aboutApplication = application;
        aboutText = text;
    }
    void beep() override { ++beeps; }

    QStringList texts() const
    {
        QStringList out;
        for (const auto &m : messages)
            out.append(m.text);
        return out;
    }
};

} // namespace zkd::test
