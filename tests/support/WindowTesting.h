#pragma once

// Window tests: one executable runs the QtTest class named by its first argument, so
// that CTest lists each class as a test of its own. A class registers itself with
// DOVREX_WINDOW_TEST(ClassName).

#include <QObject>
#include <QString>

class QWidget;

#include <functional>
#include <map>
#include <memory>

namespace dovrex::test {

using WindowTestFactory = std::function<std::unique_ptr<QObject>()>;
std::map<QString, WindowTestFactory>& WindowTests();

struct WindowTestRegistration {
    WindowTestRegistration(const QString& name, WindowTestFactory factory) {
        WindowTests().emplace(name, std::move(factory));
    }
};

// Where window pictures go when $DOVREX_SCREENSHOTS names a folder: grabs the window
// as it is drawn now into <folder>/<name>.png. Does nothing otherwise.
void SaveScreenshot(QWidget& window, const QString& name);

} // namespace dovrex::test

#define DOVREX_WINDOW_TEST(Class)                                                                                   \
    static const ::dovrex::test::WindowTestRegistration registration##Class(                                      \
        QStringLiteral(#Class), [] { return std::unique_ptr<QObject>(new Class); });
