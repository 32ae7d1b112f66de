#include "HostOutput.h"

#include "report/SafeText.h"

#include <QByteArray>
#include <cerrno>
#include <cstdio>
#include <cstring>

void StatusLine(const QString &line) {
    const QByteArray bytes = TerminalSafe(line).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

authpay::Outcome WriteData(const QString &text) {
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    if (std::fflush(stdout) == 0 && written && !std::ferror(stdout)) return authpay::Outcome::Success();
    const QString why = QString::fromLocal8Bit(std::strerror(errno ? errno : EIO));
    std::clearerr(stdout);
    return authpay::Outcome::Failure(QStringLiteral("cannot write to standard output: %1").arg(why));
}

bool IsQtNoise(QtMsgType type, const char *category, const QString &message) {
    if (type == QtFatalMsg || type == QtCriticalMsg) return false;
    if (category && std::strncmp(category, "qt.qpa.", 7) == 0) return true;
    // The offscreen plug-in says so for every window whose size hints it cannot pass on; without a
    // desktop session Qt says where it keeps its runtime files instead.
    const bool uncategorised = !category || std::strcmp(category, "default") == 0;
    return uncategorised && (message.startsWith(QLatin1String("This plugin does not support "))
                             || message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")));
}

namespace {
void HostMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (IsQtNoise(type, context.category, message)) return;
    StatusLine(message);
    if (type == QtFatalMsg) std::abort();
}
}  // namespace

void InstallHostMessageHandler() { qInstallMessageHandler(&HostMessageHandler); }
