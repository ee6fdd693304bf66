#include "WindowTesting.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWidget>

#include <cstdio>

namespace dovrex::test {

std::map<QString, WindowTestFactory>& WindowTests() {
    static std::map<QString, WindowTestFactory> tests;
    return tests;
}

void SaveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("DOVREX_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QApplication::processEvents();
    window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace dovrex::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto& tests = dovrex::test::WindowTests();
    if (argc < 2 || tests.find(QString::fromLocal8Bit(argv[1])) == tests.end()) {
        std::fputs("usage: test_windows CLASS [QtTest options]; classes:", stderr);
        for (const auto& [name, factory] : tests) std::fprintf(stderr, " %s", qPrintable(name));
        std::fputs("\n", stderr);
        return 2;
    }
    const std::unique_ptr<QObject> test = tests.at(QString::fromLocal8Bit(argv[1]))();
    // QtTest reads its own options after the class name.
    argv[1] = argv[0];
    return QTest::qExec(test.get(), argc - 1, argv + 1);
}
