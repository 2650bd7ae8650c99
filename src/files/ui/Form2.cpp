#include "files/ui/Form2.h"

#include "app/Form1.h"
#include "app/PictureButton.h"
#include "app/WindowPlacement.h"
#include "util/Prompts.h"
#include "util/Texts.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

namespace zkd {

// Owned by the main window unless told otherwise: the list refreshes on its
// own and reads the main window's folder, so it must not outlive it.
Form2::Form2(Form1 &form1, QWidget *parent) : QWidget(parent ? parent : &form1, Qt::Window), m_form1(form1)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(str(texts::Form2Caption));
    setWindowIcon(pictureIcon(Picture::Delete));
    auto *layout = new QVBoxLayout(this);
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(File1);
    auto *buttons = new QHBoxLayout;
    Button1 = new PictureButton(Picture::Delete, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new PictureButton(Picture::Exit, this);
    Button2->setObjectName(QStringLiteral("Button2"));
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    connect(Button1, &QToolButton::clicked, this, &Form2::Button1_Click);
    connect(Button2, &QToolButton::clicked, this, &Form2::Button2_Click);
    resize(320, 300);

    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPath(m_form1.deps().currentDir);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &Form2::refreshList);
    Form_Load();
}

void Form2::Form_Load()
{
    centreOnScreen(*this);
    refreshList();
    const Language &lang = m_form1.globals().language;
    if (const auto tip = pick(lang, texts::DeleteTipButton1))
        Button1->setToolTip(*tip);
    if (const auto tip = pick(lang, texts::DeleteTipButton2))
        Button2->setToolTip(*tip);
}

void Form2::showDialog()
{
    show();
    raise();
    activateWindow();
}

void Form2::refreshList()
{
    const QString selected = File1->currentItem() ? File1->currentItem()->text() : QString();
    // Every name the pattern takes: also ".csv" (a save named "csv") and the
    // other names that begin with a dot.
    const QStringList files = QDir(m_form1.deps().currentDir)
                                  .entryList({QStringLiteral("*.csv")}, QDir::Files | QDir::Hidden,
                                             QDir::Name | QDir::IgnoreCase);
    File1->clear();
    File1->addItems(files);
    const auto matches = File1->findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !matches.isEmpty())
        File1->setCurrentItem(matches.first());
}

void Form2::Button1_Click()
{
    QListWidgetItem *item = File1->currentItem();
    if (!item || !item->isSelected() || item->text().isEmpty())
        return;
    // The list may be refreshed while the question is open; the item with it.
    const QString name = item->text();
    const Language &lang = m_form1.globals().language;
    if (const auto q = pick(lang, texts::DeleteQuestion))
        m_question = *q;
    if (const auto t = pick(lang, texts::DeleteQuestionTitle))
        m_questionTitle = *t;
    const PromptButton answer = m_form1.prompts().ask(
        {m_question, m_questionTitle, PromptIcon::Question, {PromptButton::Yes, PromptButton::No}});
    if (answer == PromptButton::No)
        return;
    QFile::remove(QDir(m_form1.deps().currentDir).filePath(name));
    refreshList();
}

void Form2::Button2_Click()
{
    hide();
}

} // namespace zkd
