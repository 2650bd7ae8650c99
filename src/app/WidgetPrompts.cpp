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

std::optional<QString> runFileDialog(QWidget *owner, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    const bool save = mode == QFileDialog::AcceptSave;
    QFileDialog dialog(owner, request.title, request.folder, toQtFilter(request.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The file types read as the program words them ("All Files (*.*)"),
    // without the pattern list Qt would add behind each.
    QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
    if (save)
        options |= QFileDialog::DontConfirmOverwrite;
    dialog.setOptions(options);
    // The title as asked, an empty one too, where Qt would put its own
    // "Save As" or "Open".
    dialog.setWindowTitle(request.title);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return chosen.first();
}

} // namespace

PromptButton WidgetPrompts::ask(const PromptMessage &message)
{
    QMessageBox box(toIcon(message.icon), message.title, message.text, QMessageBox::NoButton, m_owner);
    // Messages carry instrument lines, file names and the system's error
    // texts: shown as written, never taken for markup.
    box.setTextFormat(Qt::PlainText);
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
    return runFileDialog(m_owner, request, QFileDialog::AcceptSave);
}

std::optional<QString> WidgetPrompts::openFile(const FileDialogRequest &request)
{
    return runFileDialog(m_owner, request, QFileDialog::AcceptOpen);
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
