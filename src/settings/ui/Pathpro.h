#pragma once

#include <QWidget>

namespace zkd {

class Form1;

// The user settings dialog: spreadsheet program, serial port, language and
// the colours of the data windows. Its save writes scx.ini and restarts.
class Pathpro : public QWidget
{
    Q_OBJECT
public:
    explicit Pathpro(Form1 &form1, QWidget *parent = nullptr);

    void showDialog();

private:
    Form1 &m_form1;
    bool m_loaded = false;
};

} // namespace zkd
