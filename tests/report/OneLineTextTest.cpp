// One-line cell texts drawn from their kept layout land on the same pixels as QPainter::drawText
// puts them, in every alignment, and texts that would wrap, spill or carry line breaks are left
// to drawText.
#include "report/OneLineText.h"
#include "report/SheetPainter.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {
QImage Blank() {
    QImage image(240, 60, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

const QFont &CellFont() {
    static const QFont font = MakeSheetFont(TSheetFont{});
    return font;
}
}  // namespace

TEST(OneLineTextTest, DrawsWhereDrawTextDraws) {
    const QRectF inner(7.5, 9, 200, 20);
    const auto flags = Qt::Alignment(Qt::TextWordWrap);
    TOneLineTexts texts;
    for (const QString &text : {QStringLiteral("市教育局机关"), QStringLiteral("1,234,567.89"), QStringLiteral("a b  ")})
        for (Qt::Alignment h : {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight})
            for (Qt::Alignment v : {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom})
                for (int twice = 0; twice < 2; ++twice) {  // the second time from the kept layout
                    QImage expected = Blank(), drawn = Blank();
                    QPainter e(&expected);
                    e.setFont(CellFont());
                    e.drawText(inner, int(h | v | flags), text);
                    e.end();
                    QPainter d(&drawn);
                    d.setFont(CellFont());
                    ASSERT_TRUE(texts.Draw(d, 0, inner, h | v | flags, text)) << text.toStdString();
                    d.end();
                    EXPECT_EQ(drawn, expected) << text.toStdString() << " " << int(h | v);
                }
}

TEST(OneLineTextTest, LeavesTextsThatDoNotStandOnOneLine) {
    QImage image = Blank();
    QPainter p(&image);
    p.setFont(CellFont());
    TOneLineTexts texts;
    const QRectF inner(3, 1, 40, 20);
    for (const QString &text : {QStringLiteral("归口管理的行政单位离退休"), QStringLiteral("a\nb"), QStringLiteral("a\tb"),
                               QStringLiteral("\u05D0\u05D1"), QString()})
        EXPECT_FALSE(texts.Draw(p, 0, inner, Qt::AlignLeft | Qt::AlignVCenter, text)) << text.toStdString();
    EXPECT_FALSE(texts.Draw(p, 0, QRectF(3, 1, 40, 4), Qt::AlignLeft, QStringLiteral("ab")));  // too low
    p.end();
    EXPECT_EQ(image, Blank());  // nothing drawn
}
