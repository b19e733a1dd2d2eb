#include "platform/runtime/StepRunner.h"

#include <QDebug>

#include <exception>

namespace platform {

void StepRunner::fail(const QString& name, const QString& what)
{
    failed_.append(name);
    qWarning().noquote() << (handler_.isEmpty() ? QString() : handler_ + QStringLiteral(": "))
                                + QStringLiteral("step \"%1\" failed and was skipped: %2").arg(name, what);
}

bool StepRunner::step(const QString& name, const std::function<void()>& body)
{
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        fail(name, QString::fromUtf8(e.what()));
    } catch (...) {
        fail(name, QStringLiteral("unknown error"));
    }
    return false;
}

bool StepRunner::stepIf(const QString& name, const std::function<bool()>& test, const std::function<void()>& body,
                        const std::function<void()>& otherwise)
{
    bool passed = true;
    step(name + QStringLiteral(" (test)"), [&] { passed = test(); });
    if (passed) {
        step(name, body);
        return true;
    }
    if (otherwise)
        step(name + QStringLiteral(" (else)"), otherwise);
    return false;
}

} // namespace platform
