#include "ui/pages/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

// The resource of a static library must be registered by name, outside any namespace.
static void InitIconResource()
{
    Q_INIT_RESOURCE(icons);
}

namespace quillet {

namespace {

QPixmap PaintIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(QPen(QColor("#3b5b8c"), 3));
    painter.setBrush(QColor("#f4f6fa"));
    painter.drawRoundedRect(QRectF(6, 8, 44, 50), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#c9d6ea"));
    painter.drawRoundedRect(QRectF(13, 18, 30, 6), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(13, 29, 30, 6), 1.5, 1.5);
    painter.setBrush(QColor("#3b5b8c"));
    painter.drawRoundedRect(QRectF(13, 42, 14, 7), 2, 2);
    QPainterPath quill;
    quill.moveTo(58, 6);
    quill.cubicTo(44, 12, 36, 24, 32, 40);
    quill.lineTo(36, 41);
    quill.cubicTo(40, 30, 46, 20, 58, 6);
    painter.setPen(QPen(QColor("#8a4b12"), 1.5));
    painter.setBrush(QColor("#d9822b"));
    painter.drawPath(quill);
    return pixmap;
}

} // namespace

QIcon AppIcon()
{
    QIcon themed = QIcon::fromTheme("quillet");
    if (!themed.isNull())
        return themed;
    QIcon painted;
    for (int size : {16, 32, 48, 64, 128, 256})
        painted.addPixmap(PaintIcon(size));
    return painted;
}

void InstallIconFallback()
{
    InitIconResource();
    // Without a desktop theme Qt looks nowhere, not even in the fallback paths.
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("hicolor"));
    QIcon::setFallbackSearchPaths(QIcon::fallbackSearchPaths() << QStringLiteral(":/icons"));
}

} // namespace quillet
