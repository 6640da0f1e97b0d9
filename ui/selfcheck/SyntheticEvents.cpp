#include "ui/selfcheck/SyntheticEvents.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include <functional>

// Exported by Qt Gui for its test library: offers a key to the shortcut map the way a real key does.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text, bool autorep, ushort count);

namespace VexilUI::Synthetic {

namespace {

// Carries a delivery through the posted-event queue, so it keeps its place behind earlier events.
class DeliveryEvent : public QEvent {
public:
    explicit DeliveryEvent(std::function<void()> deliver) : QEvent(type()), m_deliver(std::move(deliver)) {}
    static QEvent::Type type() {
        static const auto id = QEvent::Type(QEvent::registerEventType());
        return id;
    }
    void deliver() const { m_deliver(); }

private:
    std::function<void()> m_deliver;
};

class Dispatcher : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == DeliveryEvent::type()) {
            static_cast<DeliveryEvent*>(event)->deliver();
            return true;
        }
        return QObject::event(event);
    }
    QPointer<QWidget> pressed;
    QPointer<QWidget> hovered;
};

Dispatcher* dispatcher() {
    static QPointer<Dispatcher> instance;
    if (!instance) {
        instance = new Dispatcher;
        instance->setParent(qApp);
    }
    return instance;
}

void post(std::function<void()> deliver) {
    QCoreApplication::postEvent(dispatcher(), new DeliveryEvent(std::move(deliver)));
}

ulong timestamp() {
    static const auto start = std::chrono::steady_clock::now();
    return ulong(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

} // namespace

Qt::KeyboardModifiers modifiers(quint32 flags) {
    Qt::KeyboardModifiers mods;
    if (flags & ShiftMask) mods |= Qt::ShiftModifier;
    if (flags & ControlMask) mods |= Qt::MetaModifier;
    if (flags & OptionMask) mods |= Qt::AltModifier;
    if (flags & CommandMask) mods |= Qt::ControlModifier;
    if (flags & NumericPadMask) mods |= Qt::KeypadModifier;
    return mods;
}

int qtKey(const QString& characters) {
    if (characters.size() != 1) return 0;
    const char16_t c = characters.at(0).unicode();
    if (c == 0xF700) return Qt::Key_Up;
    if (c == 0xF701) return Qt::Key_Down;
    if (c == 0x1B) return Qt::Key_Escape;
    if (c == u'\r' || c == u'\n') return Qt::Key_Return;
    if (c >= u'a' && c <= u'z') return Qt::Key_A + (c - u'a');
    if (c >= u'A' && c <= u'Z') return Qt::Key_A + (c - u'A');
    // Printable ASCII keys share their code with the character.
    if (c >= 0x20 && c < 0x7F) return int(c);
    return 0;
}

void postKey(QWidget* window, const QString& characters, quint32 flags, int keyCode) {
    const QPointer<QWidget> target(window);
    post([target, characters, flags, keyCode] {
        if (!target) return;
        QWidget* receiver = target->focusWidget() ? target->focusWidget() : target.data();
        Qt::KeyboardModifiers mods = modifiers(flags);
        const int key = qtKey(characters);
        // A shifted symbol already carries its Shift, as the desktop's key map reports it ("+" is
        // Shift+"=" on most layouts, yet answers a Ctrl++ shortcut).
        if (key >= 0x20 && key < 0x7F && !(key >= Qt::Key_A && key <= Qt::Key_Z)) mods &= ~Qt::ShiftModifier;
        // Function-key characters have no text of their own.
        const QString text = characters.at(0).unicode() >= 0xF700 ? QString() : characters;
        const ulong time = timestamp();
        if (qt_sendShortcutOverrideEvent(receiver, time, key, mods, text, false, 1)) return;
        QKeyEvent press(QEvent::KeyPress, key, mods, quint32(0), quint32(keyCode), quint32(0), text);
        press.setTimestamp(time);
        QCoreApplication::sendEvent(receiver, &press);
    });
}

void postMouse(QWidget* window, Mouse kind, QPointF windowPoint, quint32 flags) {
    const QPointer<QWidget> target(window);
    post([target, kind, windowPoint, flags] {
        if (!target) return;
        Dispatcher* d = dispatcher();
        const Qt::KeyboardModifiers mods = modifiers(flags);
        const QPoint p = windowPoint.toPoint();
        QWidget* under = target->rect().contains(p) ? target->childAt(p) : nullptr;
        if (!under && target->rect().contains(p)) under = target;
        if (kind == Mouse::Moved) {
            if (d->hovered != under) {
                if (d->hovered) {
                    QEvent leave(QEvent::Leave);
                    QCoreApplication::sendEvent(d->hovered, &leave);
                }
                d->hovered = under;
                if (under) {
                    const QPointF local = under->mapFrom(target, windowPoint);
                    QEnterEvent enter(local, windowPoint, target->mapToGlobal(windowPoint));
                    QCoreApplication::sendEvent(under, &enter);
                }
            }
            if (!under) return;
            const QPointF local = under->mapFrom(target, windowPoint);
            QMouseEvent move(QEvent::MouseMove, local, windowPoint, target->mapToGlobal(windowPoint),
                             Qt::NoButton, Qt::NoButton, mods);
            move.setTimestamp(timestamp());
            QCoreApplication::sendEvent(under, &move);
            return;
        }
        QWidget* receiver = kind == Mouse::Up && d->pressed ? d->pressed.data() : under;
        if (kind == Mouse::Down) d->pressed = under;
        if (!receiver) return;
        const QPointF local = receiver->mapFrom(target, windowPoint);
        const bool down = kind == Mouse::Down;
        QMouseEvent event(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, local, windowPoint,
                          target->mapToGlobal(windowPoint), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, mods);
        event.setTimestamp(timestamp());
        QCoreApplication::sendEvent(receiver, &event);
        if (!down) d->pressed = nullptr;
    });
}

} // namespace VexilUI::Synthetic
