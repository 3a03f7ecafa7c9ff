#include "core/qt/WindowMessage.h"

#include <QCoreApplication>
#include <QHash>
#include <QMetaObject>
#include <QWidget>

#include <map>
#include <memory>
#include <mutex>

namespace {

// Registered messages take numbers from the top range of window messages,
// above every fixed number of the program.
constexpr unsigned kFirstRegisteredMessage = 0xC000;
constexpr unsigned kLastRegisteredMessage = 0xFFFF;

struct Registry {
    std::mutex lock;
    std::map<WindowId, QObject*> windows;
    WindowId nextId = 1;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

WindowMessageEvent::WindowMessageEvent(unsigned message, WPARAM wParam, LPARAM lParam, QString text,
                                       QStringList files)
    : QEvent(EventType()),
      message_(message),
      wParam_(wParam),
      lParam_(lParam),
      text_(std::move(text)),
      files_(std::move(files))
{
}

QEvent::Type WindowMessageEvent::EventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

unsigned RegisterWindowMessage(const QString& name)
{
    static std::mutex lock;
    static QHash<QString, unsigned> numbers;
    std::lock_guard guard(lock);
    if (auto it = numbers.constFind(name); it != numbers.constEnd()) {
        return it.value();
    }
    const unsigned number = kFirstRegisteredMessage + static_cast<unsigned>(numbers.size());
    if (number > kLastRegisteredMessage) {
        return 0;
    }
    numbers.insert(name, number);
    return number;
}

namespace WindowRegistry {

bool Post(WindowId window, unsigned message, WPARAM wParam, LPARAM lParam, QString text, QStringList files)
{
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    auto it = reg.windows.find(window);
    if (it == reg.windows.end()) {
        return false;
    }
    auto event = std::make_unique<WindowMessageEvent>(message, wParam, lParam, std::move(text), std::move(files));
    QCoreApplication::postEvent(it->second, event.release());
    return true;
}

bool Invoke(WindowId window, std::function<void(QObject&)> call)
{
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    auto it = reg.windows.find(window);
    if (it == reg.windows.end()) {
        return false;
    }
    QObject* target = it->second;
    QMetaObject::invokeMethod(target, [target, call = std::move(call)] { call(*target); }, Qt::QueuedConnection);
    return true;
}

QObject* Find(WindowId window)
{
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    auto it = reg.windows.find(window);
    return it == reg.windows.end() ? nullptr : it->second;
}

WindowId FindByTitle(const QString& title)
{
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    for (const auto& [id, object] : reg.windows) {
        const auto* widget = qobject_cast<const QWidget*>(object);
        if (widget != nullptr && widget->windowTitle() == title) {
            return id;
        }
    }
    return 0;
}

} // namespace WindowRegistry

RegisteredWindow::RegisteredWindow(QObject* window)
{
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    id_ = reg.nextId++;
    reg.windows.emplace(id_, window);
}

RegisteredWindow::~RegisteredWindow()
{
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    reg.windows.erase(id_);
}
