#include "report/xlsx/XlsxPage.h"

#include "report/SafeText.h"
#include "report/xls/XlsWorksheet.h"

#include <xlsxwriter.h>

QByteArray Utf8Cut(const QString &text, int bytes) {
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= bytes) return utf8;
    int end = bytes;
    while (end > 0 && (uchar(utf8[end]) & 0xC0) == 0x80) --end;  // not inside a character
    return utf8.left(end);
}

void SetXlsxFooter(lxw_worksheet *sheet, const TPageSetup &page) {
    const QString footer = biff::FooterText(page.pageText);
    if (footer.isEmpty()) return;
    lxw_header_footer_options options{};
    options.margin = 0.3;
    worksheet_set_footer_opt(sheet, Utf8Cut(XmlSafe(footer), 255).constData(), &options);
}
