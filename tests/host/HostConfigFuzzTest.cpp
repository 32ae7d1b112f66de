// The option parser and the INI reader fed seeded random input: every input ends in a
// configuration or an error text, never a crash (the sanitizer build watches memory), and what
// is accepted is consistent. AUTHPAY_FUZZ_COUNT raises the number of inputs (the fault sweep does).
#include "HostConfig.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int FuzzCount() { return qEnvironmentVariableIntValue("AUTHPAY_FUZZ_COUNT") > 0 ? qEnvironmentVariableIntValue("AUTHPAY_FUZZ_COUNT") : 3000; }

const QStringList kWords = {"--batch", "--db", "--year", "--unit", "--config", "--indicator-kind", "--open",
                            "--group", "--eid", "--pick-unit", "--print-sheet", "--frobnicate", "--", "-", "=",
                            "2010", "-1", "99999999999", "预算单位", "' or '1'='1", "%_\\", "Provider=SQLite;Data Source=x",
                            "[host]", "db=", "year=abc", "\"quoted\""};

QString RandomText(QRandomGenerator &g) {
    QString s;
    const int n = g.bounded(0, 40);
    for (int i = 0; i < n; ++i) {
        switch (g.bounded(4)) {
        case 0: s += QChar(static_cast<char16_t>(g.bounded(0x20, 0x7f))); break;
        case 1: s += QChar(static_cast<char16_t>(g.bounded(0x4e00, 0x9fa5))); break;
        case 2: s += QChar(static_cast<char16_t>(g.bounded(0, 0x20))); break;  // controls, NUL included
        default: s += kWords.at(g.bounded(static_cast<int>(kWords.size()))); break;
        }
    }
    return s;
}

QByteArray RandomBytes(QRandomGenerator &g) {
    QByteArray b;
    const int n = g.bounded(0, 300);
    for (int i = 0; i < n; ++i) {
        if (g.bounded(3) == 0) b += RandomText(g).toUtf8() + (g.bounded(2) ? "\n" : "=");
        else b += static_cast<char>(g.bounded(256));  // invalid UTF-8 too
    }
    return b;
}

void ExpectConsistent(const HostConfigResult &r) {
    ASSERT_NE(r.config.has_value(), !r.error.isEmpty());
    if (!r.config) return;
    EXPECT_GE(r.config->dataYear, 1900);
    EXPECT_LE(r.config->dataYear, 9999);
    EXPECT_GE(r.config->indicatorKind, 0);
    EXPECT_LE(r.config->indicatorKind, 2);
}

TEST(HostConfigFuzz, RandomOptionListsEndInAConfigurationOrAnError) {
    QRandomGenerator g(20261207);
    for (int i = 0; i < FuzzCount(); ++i) {
        QStringList args;
        const int n = g.bounded(0, 12);
        for (int k = 0; k < n; ++k) args << (g.bounded(2) ? kWords.at(g.bounded(static_cast<int>(kWords.size()))) : RandomText(g));
        args.removeAll(QStringLiteral("--config"));  // files are the next test's business
        ExpectConsistent(ParseHostConfig(args, QStringLiteral("/tpl/")));
    }
}

TEST(HostConfigFuzz, RandomIniFilesEndInAConfigurationOrAnError) {
    QTemporaryDir dir;
    QRandomGenerator g(7);
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    for (int i = 0; i < FuzzCount(); ++i) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(g.bounded(2) ? QByteArray("[host]\n") + RandomBytes(g) : RandomBytes(g));
        f.close();
        ExpectConsistent(ParseHostConfig({QStringLiteral("--config"), path}, QStringLiteral("/tpl/")));
    }
}

}  // namespace
