#pragma once

// Window tests: one executable runs the QtTest class named by its first argument, so
// that CTest lists each class as a test of its own. A class registers itself with
// DOVREX_WINDOW_TEST(ClassName).

#include <QApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

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

// Acts on the modal window of type T once it is up (waiting for it a little); the flag
// returned tells whether it did.
template <class T> std::shared_ptr<bool> WhenModal(std::function<void(T&)> act) {
    auto done = std::make_shared<bool>(false);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    // The pending timer holds the poll; the poll itself only refers back weakly, so that
    // nothing keeps it alive once it has acted or given up.
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> self = poll;
    *poll = [act, waited, self, done] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            *done = true;
            act(*window);
            return;
        }
        if (waited->elapsed() > 5000) {
            QFAIL("the expected window did not open");
            return;
        }
        if (auto again = self.lock()) QTimer::singleShot(10, [again] { (*again)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
    return done;
}

} // namespace dovrex::test

#define DOVREX_WINDOW_TEST(Class)                                                                                   \
    static const ::dovrex::test::WindowTestRegistration registration##Class(                                      \
        QStringLiteral(#Class), [] { return std::unique_ptr<QObject>(new Class); });
