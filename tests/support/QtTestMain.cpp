#include <QApplication>
#include <gtest/gtest.h>

static void DefaultEnv(const char *name, const char *value) {
    if (qEnvironmentVariableIsEmpty(name)) qputenv(name, value);
}

int main(int argc, char **argv) {
    DefaultEnv("QT_QPA_PLATFORM", "offscreen");
    DefaultEnv("AUTHPAY_MODULE", AUTHPAY_DEFAULT_MODULE);
    DefaultEnv("AUTHPAY_SOURCE_DIR", AUTHPAY_DEFAULT_SOURCE_DIR);
    DefaultEnv("AUTHPAY_BINARY_DIR", AUTHPAY_DEFAULT_BINARY_DIR);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
