#include "ui/selfcheck/SelfTestRunner.h"

#include <QTimer>

#include <cmath>
#include <cstdio>

namespace VexilUI {

SelfTestRunner::SelfTestRunner(Hooks hooks, QObject* parent) : QObject(parent), m_hooks(std::move(hooks)) {}

void SelfTestRunner::printLine(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void SelfTestRunner::runNext(int index) {
    if (m_stopped) return;
    if (index < int(steps.size())) {
        ensureFocus(0, [this, index] {
            const SelfTestStep& step = steps[size_t(index)];
            if (step.act) step.act();
            QTimer::singleShot(int(std::lround(step.wait * 1000)), this, [this, index] {
                if (m_stopped) return;
                const SelfTestStep& current = steps[size_t(index)];
                const std::optional<QString> result = current.verify ? current.verify() : std::nullopt;
                if (result && !result->startsWith(QLatin1String("SKIP")) && !m_hooks.isActive()) {
                    focusUnavailable(QStringLiteral("lost focus during '") + current.name + u'\'');
                    return;
                }
                report(current.name, result);
                runNext(index + 1);
            });
        });
        return;
    }
    m_hooks.print(failures == 0 ? QStringLiteral("SHORTCUTS_OK")
                                : QStringLiteral("SHORTCUTS_FAILED ") + QString::number(failures));
    m_hooks.print(QStringLiteral("\u2318Q Quit \u2026"));
    if (m_hooks.end) m_hooks.end();
    QTimer::singleShot(quitTimeoutMs, this, [this] {
        m_hooks.print(QStringLiteral("FAIL \u2318Q did not quit"));
        m_stopped = true;
        m_hooks.exit(1);
    });
}

void SelfTestRunner::report(const QString& name, const std::optional<QString>& message) {
    if (!message) {
        m_hooks.print(QStringLiteral("PASS ") + name);
    } else if (message->startsWith(QLatin1String("SKIP"))) {
        m_hooks.print(QStringLiteral("SKIP ") + name + QStringLiteral(": ") + *message);
    } else {
        ++failures;
        m_hooks.print(QStringLiteral("FAIL ") + name + QStringLiteral(": ") + *message);
    }
}

void SelfTestRunner::ensureFocus(int attempt, std::function<void()> then) {
    if (m_stopped) return;
    const bool active = m_hooks.isActive();
    if (!active && attempt < focusAttempts) {
        if (attempt % 10 == 0 && m_hooks.activate) m_hooks.activate();
        QTimer::singleShot(focusRetryMs, this,
                           [this, attempt, then = std::move(then)] { ensureFocus(attempt + 1, then); });
    } else if (active) {
        then();
    } else {
        focusUnavailable(QStringLiteral("couldn't bring VEXIL to the front"));
    }
}

void SelfTestRunner::focusUnavailable(const QString& context) {
    QString front = m_hooks.frontmostName ? m_hooks.frontmostName() : QString();
    if (front.isEmpty()) front = QStringLiteral("another app");
    m_hooks.print(QStringLiteral("FOCUS_UNAVAILABLE ") + front + QStringLiteral(" kept keyboard focus (") +
                  context + u')');
    m_stopped = true;
    m_hooks.exit(3);
}

} // namespace VexilUI
