#pragma once

#include <QWidget>

class QFileSystemWatcher;
class QListWidget;

namespace zkd {

class Form1;
class PictureButton;

// The delete dialog: lists the measurement files (*.csv) of the current
// folder and deletes the selected one after a question.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    explicit Form2(Form1 &form1, QWidget *parent = nullptr);

    void Form_Load();
    void showDialog();
    void refreshList();
    void Button1_Click();
    void Button2_Click();

    QListWidget *File1 = nullptr;
    PictureButton *Button1 = nullptr;
    PictureButton *Button2 = nullptr;

private:
    Form1 &m_form1;
    QFileSystemWatcher *m_watcher = nullptr;
    QString m_question;
    QString m_questionTitle;
};

} // namespace zkd
