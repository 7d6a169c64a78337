#include "widgets/ThemeIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QtMath>
#include <array>
#include <utility>

namespace calc {

namespace {

/// Draws one glyph on a 16 x 16 grid; the pen (and the brush) come set in the glyph's colour.
using TGlyph = void (*)(QPainter& p);

void DrawPlay(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({{4.5, 2.5}, {13.5, 8}, {4.5, 13.5}}));
}

void DrawRefresh(QPainter& p)
{
    const QColor c = p.pen().color();
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({{8.5, 0.5}, {13.5, 3}, {9.5, 6.5}}));
}

void DrawCopy(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{2.5, 11.5}, {2.5, 2.5}, {9.5, 2.5}}));
    p.drawRoundedRect(QRectF(5.5, 5.5, 8, 9), 1, 1);
}

void DrawGear(QPainter& p)
{
    QPainterPath gear;
    gear.setFillRule(Qt::OddEvenFill);
    QPolygonF outline;
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        for (const auto& [delta, radius] : std::array<std::pair<double, double>, 4>{
                 {{-0.30, 5.2}, {-0.22, 7.3}, {0.22, 7.3}, {0.30, 5.2}}})
            outline << QPointF(8 + radius * std::cos(a + delta), 8 + radius * std::sin(a + delta));
    }
    gear.addPolygon(outline);
    gear.closeSubpath();
    gear.addEllipse(QPointF(8, 8), 2.2, 2.2);
    p.setPen(Qt::NoPen);
    p.drawPath(gear);
}

void DrawQuestion(QPainter& p)
{
    const QColor c = p.pen().color();
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    QPainterPath mark(QPointF(5.8, 6.2));
    mark.cubicTo(5.8, 3.6, 10.2, 3.6, 10.2, 6.2);
    mark.cubicTo(10.2, 7.8, 8, 7.9, 8, 9.6);
    p.drawPath(mark);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(8, 11.6), 1, 1);
}

void DrawInfo(QPainter& p)
{
    const QColor c = p.pen().color();
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.drawLine(QPointF(8, 7), QPointF(8, 11.5));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(8, 4.8), 1, 1);
}

void DrawGlobe(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
    p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
}

void DrawExit(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(
        QPolygonF({{9.5, 4.5}, {9.5, 1.5}, {2.5, 1.5}, {2.5, 14.5}, {9.5, 14.5}, {9.5, 11.5}}));
    p.drawLine(QPointF(6, 8), QPointF(14, 8));
    p.drawPolyline(QPolygonF({{11.5, 5.5}, {14, 8}, {11.5, 10.5}}));
}

void DrawClock(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.drawPolyline(QPolygonF({{8, 4}, {8, 8}, {11, 10}}));
}

void DrawBook(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({{8, 4}, {8, 14}, {1.5, 12.5}, {1.5, 2.5}}));
    p.drawPolygon(QPolygonF({{8, 4}, {14.5, 2.5}, {14.5, 12.5}, {8, 14}}));
}

void DrawSelectAll(QPainter& p)
{
    const QColor c = p.pen().color();
    QPen dashed = p.pen();
    dashed.setDashPattern({1.5, 1.5});
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(4.5, 4.5, 7, 7));
}

void DrawList(QPainter& p)
{
    for (const double y : {3.5, 8.0, 12.5}) {
        p.drawLine(QPointF(6, y), QPointF(14.5, y));
        p.drawRect(QRectF(1.5, y - 1, 2, 2));
    }
}

void DrawEye(QPainter& p)
{
    const QColor c = p.pen().color();
    p.setBrush(Qt::NoBrush);
    QPainterPath eye(QPointF(1, 8));
    eye.quadTo(8, 0.5, 15, 8);
    eye.quadTo(8, 15.5, 1, 8);
    p.drawPath(eye);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(8, 8), 2.5, 2.5);
}

struct TBundled {
    const char* Name;
    TGlyph Glyph;
};

constexpr std::array<TBundled, 13> kBundled{{
    {"media-playback-start", DrawPlay},
    {"view-refresh", DrawRefresh},
    {"edit-copy", DrawCopy},
    {"preferences-system", DrawGear},
    {"help-contents", DrawQuestion},
    {"help-about", DrawInfo},
    {"internet-web-browser", DrawGlobe},
    {"application-exit", DrawExit},
    {"view-history", DrawClock},
    {"accessories-dictionary", DrawBook},
    {"edit-select-all", DrawSelectAll},
    {"view-list-details", DrawList},
    {"view-visible", DrawEye},
}};

TGlyph FindGlyph(const QString& name)
{
    for (const TBundled& bundled : kBundled)
        if (name == QLatin1String(bundled.Name))
            return bundled.Glyph;
    return nullptr;
}

/// Paints a glyph at any size in the colour the current palette gives text in the icon's mode,
/// so a palette change (a dark style sheet, a disabled button) needs no new icon.
class TGlyphIconEngine final : public QIconEngine {
public:
    TGlyphIconEngine(QString name, TGlyph glyph) : FName(std::move(name)), FGlyph(glyph) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette palette = QApplication::palette();
        QColor color = palette.color(
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::WindowText);
        if (mode == QIcon::Selected)
            color = palette.color(QPalette::HighlightedText);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const double side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2,
                           rect.y() + (rect.height() - side) / 2);
        painter->scale(side / 16, side / 16);
        QPen pen(color, 1.5);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter->setPen(pen);
        painter->setBrush(color);
        FGlyph(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new TGlyphIconEngine(FName, FGlyph); }
    QString key() const override { return QStringLiteral("zembrical-glyph"); }
    QString iconName() override { return {}; }

private:
    QString FName;
    TGlyph FGlyph;
};

} // namespace

bool HasBundledIcon(const QString& name)
{
    return FindGlyph(name) != nullptr;
}

QIcon ThemeIcon(const QString& name)
{
    const TGlyph glyph = FindGlyph(name);
    return QIcon::fromTheme(name,
                            glyph != nullptr ? QIcon(new TGlyphIconEngine(name, glyph)) : QIcon());
}

} // namespace calc
