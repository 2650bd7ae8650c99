#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>

namespace zkd {
namespace {

void drawStartStop(QPainter &p, double s)
{
    QPainterPath play;
    play.moveTo(s * 0.14, s * 0.18);
    play.lineTo(s * 0.50, s * 0.50);
    play.lineTo(s * 0.14, s * 0.82);
    play.closeSubpath();
    p.setBrush(QColor(30, 150, 60));
    p.setPen(QPen(QColor(20, 90, 35), s * 0.03));
    p.drawPath(play);
    p.setBrush(QColor(200, 40, 40));
    p.setPen(QPen(QColor(120, 20, 20), s * 0.03));
    p.drawRoundedRect(QRectF(s * 0.56, s * 0.26, s * 0.32, s * 0.48), s * 0.04, s * 0.04);
}

void drawSave(QPainter &p, double s)
{
    p.setBrush(QColor(40, 90, 170));
    p.setPen(QPen(QColor(20, 50, 110), s * 0.04));
    p.drawRoundedRect(QRectF(s * 0.14, s * 0.14, s * 0.72, s * 0.72), s * 0.06, s * 0.06);
    p.setBrush(QColor(235, 240, 250));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(s * 0.28, s * 0.18, s * 0.44, s * 0.24));
    p.setBrush(QColor(20, 50, 110));
    p.drawRect(QRectF(s * 0.56, s * 0.21, s * 0.08, s * 0.17));
    p.setBrush(QColor(220, 225, 235));
    p.drawRect(QRectF(s * 0.26, s * 0.56, s * 0.48, s * 0.26));
}

void drawFolder(QPainter &p, double s)
{
    p.setPen(QPen(QColor(150, 105, 20), s * 0.04));
    p.setBrush(QColor(235, 185, 60));
    QPainterPath back;
    back.moveTo(s * 0.10, s * 0.24);
    back.lineTo(s * 0.38, s * 0.24);
    back.lineTo(s * 0.46, s * 0.32);
    back.lineTo(s * 0.88, s * 0.32);
    back.lineTo(s * 0.88, s * 0.80);
    back.lineTo(s * 0.10, s * 0.80);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 210, 100));
    QPainterPath front;
    front.moveTo(s * 0.10, s * 0.80);
    front.lineTo(s * 0.22, s * 0.44);
    front.lineTo(s * 0.96, s * 0.44);
    front.lineTo(s * 0.88, s * 0.80);
    front.closeSubpath();
    p.drawPath(front);
}

void drawDelete(QPainter &p, double s)
{
    p.setPen(QPen(QColor(90, 90, 90), s * 0.04));
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(s * 0.24, s * 0.30, s * 0.52, s * 0.56));
    p.drawRect(QRectF(s * 0.16, s * 0.20, s * 0.68, s * 0.09));
    p.drawRect(QRectF(s * 0.40, s * 0.12, s * 0.20, s * 0.08));
    p.setPen(QPen(QColor(200, 40, 40), s * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.36, s * 0.44), QPointF(s * 0.64, s * 0.74));
    p.drawLine(QPointF(s * 0.64, s * 0.44), QPointF(s * 0.36, s * 0.74));
}

void drawExit(QPainter &p, double s)
{
    p.setPen(QPen(QColor(110, 70, 30), s * 0.04));
    p.setBrush(QColor(170, 120, 60));
    p.drawRect(QRectF(s * 0.16, s * 0.12, s * 0.42, s * 0.76));
    p.setBrush(QColor(240, 220, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(s * 0.50, s * 0.52), s * 0.035, s * 0.035);
    p.setPen(QPen(QColor(200, 40, 40), s * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(s * 0.56, s * 0.50), QPointF(s * 0.90, s * 0.50));
    p.drawLine(QPointF(s * 0.78, s * 0.38), QPointF(s * 0.90, s * 0.50));
    p.drawLine(QPointF(s * 0.78, s * 0.62), QPointF(s * 0.90, s * 0.50));
}

void drawTrace(QPainter &p, double s, bool live)
{
    p.setPen(QPen(QColor(60, 60, 60), s * 0.04));
    p.setBrush(live ? QColor(10, 20, 10) : QColor(70, 70, 70));
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.14, s * 0.84, s * 0.72), s * 0.08, s * 0.08);
    QPainterPath trace;
    trace.moveTo(s * 0.14, s * 0.60);
    trace.cubicTo(s * 0.30, s * 0.20, s * 0.42, s * 0.80, s * 0.56, s * 0.44);
    trace.cubicTo(s * 0.66, s * 0.22, s * 0.76, s * 0.56, s * 0.86, s * 0.34);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(live ? QColor(40, 230, 60) : QColor(150, 150, 150), s * 0.06, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(trace);
}

void drawProgram(QPainter &p, double s)
{
    p.setPen(QPen(QColor(30, 50, 80), s * 0.04));
    p.setBrush(QColor(60, 90, 140));
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.10, s * 0.88, s * 0.80), s * 0.10, s * 0.10);
    p.setBrush(QColor(10, 20, 10));
    p.drawRect(QRectF(s * 0.16, s * 0.22, s * 0.68, s * 0.40));
    p.setPen(QPen(QColor(40, 230, 60), s * 0.05, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.22, s * 0.52), QPointF(s * 0.40, s * 0.34));
    p.drawLine(QPointF(s * 0.40, s * 0.34), QPointF(s * 0.56, s * 0.48));
    p.drawLine(QPointF(s * 0.56, s * 0.48), QPointF(s * 0.78, s * 0.28));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 200, 60));
    p.drawEllipse(QPointF(s * 0.30, s * 0.76), s * 0.05, s * 0.05);
    p.setBrush(QColor(200, 60, 60));
    p.drawEllipse(QPointF(s * 0.70, s * 0.76), s * 0.05, s * 0.05);
}

} // namespace

QPixmap drawPicture(Picture picture, int size, bool hover)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    if (hover) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 170, 230, 90));
        p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.15, s * 0.15);
    }
    switch (picture) {
    case Picture::StartStop: drawStartStop(p, s); break;
    case Picture::Save: drawSave(p, s); break;
    case Picture::Open:
    case Picture::Browse: drawFolder(p, s); break;
    case Picture::Delete: drawDelete(p, s); break;
    case Picture::Exit: drawExit(p, s); break;
    case Picture::Activity: drawTrace(p, s, true); break;
    case Picture::Idle: drawTrace(p, s, false); break;
    case Picture::Program: drawProgram(p, s); break;
    }
    return pixmap;
}

QIcon pictureIcon(Picture picture)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(drawPicture(picture, size, false));
    return icon;
}

} // namespace zkd
