#include "app/WidgetPrompts.h"

#include "util/Texts.h"

#include <QApplication>
#include <QFileDialog>
#include <QHash>
#include <QMessageBox>
#include <QPushButton>

namespace zkd {
namespace {

QMessageBox::Icon toIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Critical: return QMessageBox::Critical;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QAbstractButton *addButton(QMessageBox &box, PromptButton button)
{
    switch (button) {
    case PromptButton::Ok: return box.addButton(QMessageBox::Ok);
    case PromptButton::Cancel: return box.addButton(QMessageBox::Cancel);
    case PromptButton::Yes: return box.addButton(QMessageBox::Yes);
    case PromptButton::No: return box.addButton(QMessageBox::No);
    case PromptButton::Retry: return box.addButton(QMessageBox::Retry);
    case PromptButton::Abort: return box.addButton(QMessageBox::Abort);
    case PromptButton::Ignore: return box.addButton(QMessageBox::Ignore);
    case PromptButton::TryAgain: return box.addButton(str(texts::ButtonTryAgain), QMessageBox::AcceptRole);
    case PromptButton::Continue: return box.addButton(str(texts::ButtonContinue), QMessageBox::AcceptRole);
    }
    return nullptr;
}

} // namespace

PromptButton WidgetPrompts::ask(const PromptMessage &message)
{
    QMessageBox box(toIcon(message.icon), message.title, message.text, QMessageBox::NoButton, m_owner);
    QHash<QAbstractButton *, PromptButton> answers;
    for (const PromptButton button : message.buttons) {
        if (QAbstractButton *b = addButton(box, button))
            answers.insert(b, button);
    }
    box.exec();
    // Escape or the window manager's close counts as the last button offered.
    return answers.value(box.clickedButton(), message.buttons.isEmpty() ? PromptButton::Ok : message.buttons.last());
}

std::optional<QString> WidgetPrompts::saveFile(const FileDialogRequest &request)
{
    QString dir = request.folder;
    if (!request.fileName.isEmpty())
        dir += QLatin1Char('/') + request.fileName;
    const QString path = QFileDialog::getSaveFileName(m_owner, request.title, dir, toQtFilter(request.filter), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> WidgetPrompts::openFile(const FileDialogRequest &request)
{
    const QString path = QFileDialog::getOpenFileName(m_owner, request.title, request.folder,
                                                      toQtFilter(request.filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void WidgetPrompts::about(const QString &application, const QString &text)
{
    QMessageBox::about(m_owner, application,
                       QStringLiteral("<b>%1</b><br>%2")
                           .arg(application.toHtmlEscaped(),
                                text.toHtmlEscaped().replace(QStringLiteral("\r\n"), QStringLiteral("<br>"))));
}

void WidgetPrompts::beep()
{
    QApplication::beep();
}

} // namespace zkd
