// The host's configuration: defaults, the INI file, options that win over it, and bad input.
#include "HostConfig.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class HostConfigTest : public ::testing::Test {
protected:
    QString WriteIni(const QByteArray &text) {
        const QString path = dir.filePath(QStringLiteral("host%1.ini").arg(++files));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        return path;
    }
    static HostConfigResult Parse(const QStringList &args) { return ParseHostConfig(args, QStringLiteral("/tpl/")); }

    QTemporaryDir dir;
    int files = 0;
};

}  // namespace

TEST_F(HostConfigTest, DefaultsAndOptions) {
    HostConfigResult r = Parse({});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    EXPECT_EQ(r.config->templatesDir, QStringLiteral("/tpl/"));
    EXPECT_FALSE(r.config->batch);

    r = Parse({"--year", "2026", "--unit", "110001", "--unit-name", "市财政局", "--secret-flag", "1",
               "--dept-mode", "1", "--indicator-kind", "2", "--templates", "/srv/t/", "--open", "TfrmX", "--batch",
               "--db", "Provider=SQLite;Data Source=/a b.sqlite"});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    const HostConfig &c = *r.config;
    EXPECT_EQ(c.dataYear, 2026);
    EXPECT_EQ(c.unitCode, QStringLiteral("110001"));
    EXPECT_EQ(c.unitName, QStringLiteral("市财政局"));
    EXPECT_EQ(c.secretFlag, QStringLiteral("1"));
    EXPECT_EQ(c.deptMode, QStringLiteral("1"));
    EXPECT_EQ(c.indicatorKind, 2);
    EXPECT_EQ(c.templatesDir, QStringLiteral("/srv/t/"));
    EXPECT_EQ(c.openClass, QStringLiteral("TfrmX"));
    EXPECT_EQ(c.connectionString, QStringLiteral("Provider=SQLite;Data Source=/a b.sqlite"));
    EXPECT_TRUE(c.batch);
}

TEST_F(HostConfigTest, BadOptionsAreRefusedWithAReason) {
    const QList<QStringList> bad = {
        {"--year", "abc"}, {"--year", "20260"}, {"--indicator-kind", "3"}, {"--indicator-kind", "-1"},
        {"--no-such"}, {"--unit"}, {"stray"}, {"--config"}, {"--batch", "--pick-iid", ""},
        {"--batch", "--pick-bid", " , "}, {"--pick-unit", ","},
    };
    for (const QStringList &args : bad) {
        const HostConfigResult r = Parse(args);
        EXPECT_FALSE(r.config) << args.join(' ').toStdString();
        EXPECT_FALSE(r.error.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST_F(HostConfigTest, IniFileSetsValuesAndOptionsBesideItWin) {
    const QString ini = WriteIni(
        "[host]\n"
        "year=2024\n"
        "unit=220001\n"
        "unit-name=\"区财政局, 预算科\"\n"
        "dept-mode=1\n"
        "indicator-kind=1\n"
        "db=\"Provider=SQLite;Data Source=/srv/budget.sqlite;Mode=Read\"\n"
        "module=/opt/authpay/libauthpay.so\n");
    HostConfigResult r = Parse({"--config", ini});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    EXPECT_EQ(r.config->dataYear, 2024);
    EXPECT_EQ(r.config->unitCode, QStringLiteral("220001"));
    EXPECT_EQ(r.config->unitName, QStringLiteral("区财政局, 预算科"));
    EXPECT_EQ(r.config->deptMode, QStringLiteral("1"));
    EXPECT_EQ(r.config->indicatorKind, 1);
    EXPECT_EQ(r.config->connectionString, QStringLiteral("Provider=SQLite;Data Source=/srv/budget.sqlite;Mode=Read"));
    EXPECT_EQ(r.config->modulePath, QStringLiteral("/opt/authpay/libauthpay.so"));

    // Options win whether they come before or after --config.
    // Written without quotes, as people write them: kept whole, separators and all.
    r = Parse({"--config", WriteIni("; budget office\n[other]\nyear=1999\n[host]\n"
                                    "db=Provider=SQLite;Data Source=/srv/b.sqlite;Mode=Read\n"
                                    "unit-name=区财政局, 预算科\n")});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    EXPECT_EQ(r.config->connectionString, QStringLiteral("Provider=SQLite;Data Source=/srv/b.sqlite;Mode=Read"));
    EXPECT_EQ(r.config->unitName, QStringLiteral("区财政局, 预算科"));
    EXPECT_EQ(r.config->dataYear, 2010);  // other sections are not the host's

    r = Parse({"--year", "2030", "--config", ini, "--unit", "330001"});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    EXPECT_EQ(r.config->dataYear, 2030);
    EXPECT_EQ(r.config->unitCode, QStringLiteral("330001"));
    EXPECT_EQ(r.config->indicatorKind, 1);
}

TEST_F(HostConfigTest, UnreadableOrWrongConfigFilesAreRefused) {
    EXPECT_FALSE(Parse({"--config", dir.filePath(QStringLiteral("missing.ini"))}).config);
    EXPECT_FALSE(Parse({"--config", dir.path()}).config);  // a folder
    EXPECT_FALSE(Parse({"--config", WriteIni("[host]\nyear=soon\n")}).config);
    EXPECT_FALSE(Parse({"--config", WriteIni("[host]\ncolour=red\n")}).config);
    EXPECT_FALSE(Parse({"--config", WriteIni("[host\nyear=2020\n")}).config);
    const HostConfigResult r = Parse({"--config", WriteIni("[host]\nindicator-kind=7\n")});
    ASSERT_FALSE(r.config);
    EXPECT_TRUE(r.error.contains(QStringLiteral("indicator-kind")));
}

// A password stays off the command line: one given there still works but is warned of once; a
// config file that holds one must be readable by its owner only, as libpq asks of .pgpass.
TEST_F(HostConfigTest, PasswordsOnTheCommandLineWarnAndReadableConfigFilesAreRefused) {
    const QString db = QStringLiteral("Provider=PostgreSQL;Host=h;User ID=u;Password=secret");
    HostConfigResult r = Parse({"--db", db, "--db", db});
    ASSERT_TRUE(r.config);
    EXPECT_EQ(r.config->connectionString, db);
    ASSERT_EQ(r.config->warnings.size(), 1);
    EXPECT_TRUE(r.config->warnings[0].contains(QStringLiteral(".pgpass")));
    EXPECT_TRUE(Parse({"--db", "Provider=PostgreSQL;Host=h;Password=;User ID=u"}).config->warnings.isEmpty());

    const QString ini = WriteIni("[host]\ndb=Provider=PostgreSQL;Host=h;PWD=secret\n");
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    r = Parse({"--config", ini});
    ASSERT_FALSE(r.config);
    EXPECT_TRUE(r.error.contains(QStringLiteral("chmod 600"))) << r.error.toStdString();
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    r = Parse({"--config", ini});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    EXPECT_TRUE(r.config->warnings.isEmpty());
}

TEST_F(HostConfigTest, ScopeIsUnitOrNone) {
    EXPECT_EQ(Parse({"--scope", "unit"}).config->scope, QStringLiteral("unit"));
    EXPECT_EQ(Parse({"--config", WriteIni("[host]\nscope=unit\n"), "--scope", "none"}).config->scope, QString());
    const HostConfigResult r = Parse({"--scope", "department"});
    ASSERT_FALSE(r.config);
    EXPECT_TRUE(r.error.contains(QStringLiteral("--scope"))) << r.error.toStdString();
}

// The developers' menu is asked for by a switch; Qt's language by a locale name or "system",
// from the command line or the INI file. Anything else is a bad option.
TEST_F(HostConfigTest, DebugMenuSwitchAndQtLocale) {
    HostConfigResult r = Parse({});
    ASSERT_TRUE(r.config);
    EXPECT_FALSE(r.config->debugMenu);
    EXPECT_TRUE(r.config->qtLocale.isEmpty());
    r = Parse({"--debug-menu", "--qt-locale", "en_US"});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    EXPECT_TRUE(r.config->debugMenu);
    EXPECT_TRUE(r.config->extra.isEmpty());
    EXPECT_EQ(r.config->qtLocale, QStringLiteral("en_US"));
    r = Parse({"--config", WriteIni("[host]\nqt-locale=system\n")});
    ASSERT_TRUE(r.config) << r.error.toStdString();
    EXPECT_EQ(r.config->qtLocale, QStringLiteral("system"));
    for (const char *bad : {"", "../../etc/passwd", "zh_CN\n", "x"}) {
        r = Parse({"--qt-locale", QString::fromUtf8(bad)});
        EXPECT_FALSE(r.config) << bad;
        EXPECT_TRUE(r.error.startsWith(QStringLiteral("bad --qt-locale"))) << r.error.toStdString();
    }
    EXPECT_TRUE(HostUsage().contains(QStringLiteral("--debug-menu")));
    EXPECT_TRUE(HostUsage().contains(QStringLiteral("--qt-locale")));
}

// Every option --help lists is one the parser takes, with a value where the help shows one.
TEST(HostConfig, EveryOptionOfTheHelpIsTaken) {
    int listed = 0;
    for (const QString &line : HostUsage().split('\n')) {
        const QStringList words = line.trimmed().split(' ', Qt::SkipEmptyParts);
        if (words.isEmpty() || !words[0].startsWith("--") || words[0] == "--help") continue;
        ++listed;
        const bool flag = words.size() < 2 || !words[1].contains(QRegularExpression("^[A-Z.|]|\\|"));
        QStringList args{words[0]};
        if (!flag) args << (words[0] == "--year" ? "2010" : words[0] == "--scope" ? "unit" : words[0] == "--qt-locale" ? "system" : words[0] == "--indicator-kind" ? "1" : "001");
        const HostConfigResult r = ParseHostConfig(args, QString());
        EXPECT_TRUE(r.config || !r.error.startsWith("unknown option")) << args.join(' ').toStdString() << ": " << r.error.toStdString();
    }
    EXPECT_EQ(listed, 51);
}
