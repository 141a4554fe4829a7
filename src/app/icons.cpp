#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace rastrova::app {

namespace {

constexpr int kSize = 24;

// A small cell grid, the motif of most blank commands.
void drawCells(QPainter& p, QRectF r, int cols, int rows, const QColor& line)
{
    p.setPen(QPen(line, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    for (int c = 1; c < cols; ++c)
        p.drawLine(QPointF(r.left() + r.width() * c / cols, r.top()), QPointF(r.left() + r.width() * c / cols, r.bottom()));
    for (int w = 1; w < rows; ++w)
        p.drawLine(QPointF(r.left(), r.top() + r.height() * w / rows), QPointF(r.right(), r.top() + r.height() * w / rows));
}

void drawPage(QPainter& p, const QColor& fill)
{
    QPainterPath page;
    page.moveTo(5, 2.5);
    page.lineTo(15, 2.5);
    page.lineTo(19.5, 7);
    page.lineTo(19.5, 21.5);
    page.lineTo(5, 21.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(fill);
    p.drawPath(page);
}

void drawSign(QPainter& p, QPointF centre, bool plus, const QColor& colour)
{
    p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-3.5, 0), centre + QPointF(3.5, 0));
    if (plus)
        p.drawLine(centre + QPointF(0, -3.5), centre + QPointF(0, 3.5));
}

void drawLetter(QPainter& p, const QString& text, const QColor& colour, int pixelSize = 15)
{
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(pixelSize);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
}

} // namespace

QIcon icon(IconKind kind)
{
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor grey(90, 90, 90), blue(30, 90, 180), green(20, 140, 60), red(200, 40, 40);
    switch (kind) {
    case IconKind::New:
        drawPage(p, Qt::white);
        drawSign(p, {12, 14}, true, green);
        break;
    case IconKind::Save:
    case IconKind::SaveAs:
        p.setPen(QPen(QColor(40, 60, 110), 1));
        p.setBrush(QColor(70, 110, 190));
        p.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(7, 4, 10, 6));
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRectF(7, 13, 10, 7));
        if (kind == IconKind::SaveAs)
            drawLetter(p, QStringLiteral("..."), Qt::black, 10);
        break;
    case IconKind::Cut:
        p.setPen(QPen(grey, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(7.5, 17.5), 3, 3);
        p.drawEllipse(QPointF(16.5, 17.5), 3, 3);
        p.drawLine(QPointF(9.5, 15), QPointF(17, 3));
        p.drawLine(QPointF(14.5, 15), QPointF(7, 3));
        break;
    case IconKind::Copy:
        p.setPen(QPen(grey, 1));
        p.setBrush(QColor(235, 235, 235));
        p.drawRect(QRectF(3.5, 3.5, 11, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9.5, 7.5, 11, 13));
        break;
    case IconKind::Paste:
        p.setPen(QPen(QColor(110, 80, 40), 1));
        p.setBrush(QColor(200, 160, 100));
        p.drawRoundedRect(QRectF(4.5, 4.5, 15, 17), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(8, 8, 9, 11));
        p.setBrush(grey);
        p.drawRect(QRectF(9, 3, 6, 3));
        break;
    case IconKind::Clear:
        drawCells(p, QRectF(3.5, 5.5, 17, 13), 2, 2, grey);
        p.setPen(QPen(red, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(16, 16));
        p.drawLine(QPointF(16, 8), QPointF(8, 16));
        break;
    case IconKind::ColsRows:
        drawCells(p, QRectF(3.5, 3.5, 17, 17), 3, 3, grey);
        p.fillRect(QRectF(4, 4, 16, 5), QColor(200, 215, 240));
        p.fillRect(QRectF(4, 4, 5, 16), QColor(200, 215, 240));
        drawCells(p, QRectF(3.5, 3.5, 17, 17), 3, 3, grey);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3.5, 3.5, 17, 17));
        break;
    case IconKind::Merge:
        drawCells(p, QRectF(2.5, 6.5, 19, 11), 2, 1, grey);
        p.setPen(QPen(blue, 1.6));
        p.drawLine(QPointF(5, 12), QPointF(10, 12));
        p.drawLine(QPointF(14, 12), QPointF(19, 12));
        p.drawLine(QPointF(8, 10), QPointF(10, 12));
        p.drawLine(QPointF(8, 14), QPointF(10, 12));
        p.drawLine(QPointF(16, 10), QPointF(14, 12));
        p.drawLine(QPointF(16, 14), QPointF(14, 12));
        break;
    case IconKind::Split:
        drawCells(p, QRectF(2.5, 6.5, 19, 11), 2, 1, grey);
        p.setPen(QPen(blue, 1.6));
        p.drawLine(QPointF(5, 12), QPointF(10, 12));
        p.drawLine(QPointF(14, 12), QPointF(19, 12));
        p.drawLine(QPointF(7, 10), QPointF(5, 12));
        p.drawLine(QPointF(7, 14), QPointF(5, 12));
        p.drawLine(QPointF(17, 10), QPointF(19, 12));
        p.drawLine(QPointF(17, 14), QPointF(19, 12));
        break;
    case IconKind::EqualWidths:
        drawCells(p, QRectF(2.5, 8.5, 19, 9), 3, 1, grey);
        p.setPen(QPen(blue, 1.4));
        p.drawLine(QPointF(3, 5), QPointF(21, 5));
        for (double x : {3.0, 9.3, 15.6, 21.0})
            p.drawLine(QPointF(x, 3), QPointF(x, 7));
        break;
    case IconKind::BorderOn:
        drawCells(p, QRectF(3.5, 3.5, 17, 17), 2, 2, QColor(190, 190, 190));
        p.setPen(QPen(Qt::black, 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(4, 4, 16, 16));
        break;
    case IconKind::BorderOff:
        drawCells(p, QRectF(3.5, 3.5, 17, 17), 2, 2, QColor(190, 190, 190));
        p.setPen(QPen(QColor(150, 150, 150), 1.2, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(4, 4, 16, 16));
        break;
    case IconKind::AddColumn:
    case IconKind::DeleteColumn:
        drawCells(p, QRectF(2.5, 3.5, 12, 17), 2, 3, grey);
        drawSign(p, {18.5, 12}, kind == IconKind::AddColumn, kind == IconKind::AddColumn ? green : red);
        break;
    case IconKind::AddRow:
    case IconKind::DeleteRow:
        drawCells(p, QRectF(3.5, 2.5, 17, 12), 3, 2, grey);
        drawSign(p, {12, 18.5}, kind == IconKind::AddRow, kind == IconKind::AddRow ? green : red);
        break;
    case IconKind::InsertParam:
        drawLetter(p, QStringLiteral("@"), blue, 17);
        break;
    case IconKind::Properties:
        drawPage(p, QColor(250, 245, 220));
        drawLetter(p, QStringLiteral("i"), blue, 12);
        break;
    case IconKind::Preview:
        drawPage(p, Qt::white);
        p.setPen(QPen(grey, 1));
        for (int y = 8; y <= 18; y += 3)
            p.drawLine(8, y, 17, y);
        break;
    case IconKind::Tree:
        p.setPen(QPen(grey, 1.2));
        p.drawLine(6, 6, 6, 18);
        p.drawLine(6, 11, 11, 11);
        p.drawLine(6, 18, 11, 18);
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(3, 3, 7, 5));
        p.drawRect(QRectF(11, 8.5, 9, 5));
        p.drawRect(QRectF(11, 15.5, 9, 5));
        break;
    case IconKind::Params:
        drawCells(p, QRectF(3.5, 3.5, 17, 17), 2, 4, grey);
        drawLetter(p, QStringLiteral("№"), blue, 9);
        break;
    case IconKind::BlankBar:
        drawCells(p, QRectF(3.5, 3.5, 17, 17), 3, 3, grey);
        break;
    case IconKind::StdBar:
        drawPage(p, Qt::white);
        break;
    case IconKind::Settings:
        p.setPen(QPen(grey, 3.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.translate(12, 12);
            p.rotate(45 * i);
            p.drawLine(QPointF(-8, 0), QPointF(8, 0));
            p.restore();
        }
        p.setPen(QPen(grey, 1));
        p.setBrush(QColor(220, 220, 220));
        p.drawEllipse(QPointF(12, 12), 5.5, 5.5);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(12, 12), 2.2, 2.2);
        break;
    case IconKind::Help:
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(QPointF(12, 12), 9, 9);
        drawLetter(p, QStringLiteral("?"), Qt::white, 14);
        break;
    case IconKind::About:
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        p.drawEllipse(QPointF(12, 12), 9, 9);
        drawLetter(p, QStringLiteral("i"), Qt::white, 14);
        break;
    case IconKind::Undo:
    case IconKind::Redo: {
        // A curved arrow, turning left for undo and right for redo.
        if (kind == IconKind::Redo) {
            p.translate(kSize, 0);
            p.scale(-1, 1);
        }
        p.setPen(QPen(blue, 2.4, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath arc;
        arc.moveTo(7, 10);
        arc.cubicTo(12, 5, 20, 7, 19, 14);
        arc.cubicTo(18.5, 18, 15, 19.5, 12, 19.5);
        p.drawPath(arc);
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawPolygon(QPolygonF({QPointF(3, 10), QPointF(10, 5.5), QPointF(10, 14.5)}));
        break;
    }
    }
    p.end();
    return QIcon(pm);
}

} // namespace rastrova::app
