#include "report/PdfJoin.h"

#include <memory>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace {
// A part read without repairs: anything qpdf would warn about refuses it.
std::unique_ptr<QPDF> ReadPart(const QByteArray &bytes, size_t index) {
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    pdf->setAttemptRecovery(false);
    const std::string name = "part " + std::to_string(index + 1);
    pdf->processMemoryFile(name.c_str(), bytes.constData(), size_t(bytes.size()));
    pdf->getAllPages();
    if (pdf->anyWarnings()) throw std::runtime_error(name + " is damaged");
    return pdf;
}
}  // namespace

authpay::Outcome JoinPdfParts(const std::vector<QByteArray> &parts, QIODevice &out) {
    try {
        if (parts.empty()) throw std::runtime_error("no parts");
        // Every part stays open until the file is written: the pages copied from it still read
        // their streams from it.
        std::vector<std::unique_ptr<QPDF>> read;
        for (size_t i = 0; i < parts.size(); ++i) read.push_back(ReadPart(parts[i], i));
        QPDFPageDocumentHelper joined(*read[0]);
        for (size_t i = 1; i < read.size(); ++i)
            for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(*read[i]).getAllPages()) joined.addPage(page, false);
        QPDFWriter writer(*read[0]);
        writer.setOutputMemory();
        writer.setDecodeLevel(qpdf_dl_none);  // streams copied as the parts hold them
        writer.setCompressStreams(false);
        writer.write();
        const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
        if (out.write(reinterpret_cast<const char *>(bytes->getBuffer()), qint64(bytes->getSize())) != qint64(bytes->getSize()))
            return authpay::Outcome::Failure(QStringLiteral("写入不完整"));
        return authpay::Outcome::Success();
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        return authpay::Outcome::Failure(QStringLiteral("PDF拼接失败：%1").arg(QString::fromLocal8Bit(e.what())));
    }
}
