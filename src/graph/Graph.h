#pragma once

#include <QWidget>

namespace zkd {

class Form1;

// The live preview: a strip chart of both inputs' actual values, sampled from
// the main window once a second.
class Graph : public QWidget
{
    Q_OBJECT
public:
    explicit Graph(Form1 &form1, QWidget *parent = nullptr);
    ~Graph() override;

    void Form_Load();
    void Timer1_Timer();

    QString scaleText1() const;
    QString scaleText2() const;
    void setScaleTexts(const QString &input1, const QString &input2);
    // Units of input 1 and 2: the legends below the scales and the units after the live values.
    void setUnits(const QString &unit1, const QString &unit2);

private:
    Form1 &m_form1;
    QString m_scale1;
    QString m_scale2;
};

} // namespace zkd
