#include "SkippedSteps.h"

namespace testsupport {

namespace {

QStringList collected;
QtMessageHandler outer = nullptr;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.contains(QLatin1String("failed and was skipped")))
        collected.append(message);
    else if (outer)
        outer(type, context, message);
}

} // namespace

SkippedSteps::SkippedSteps()
{
    collected.clear();
    previous_ = qInstallMessageHandler(collect);
    outer = previous_;
}

SkippedSteps::~SkippedSteps()
{
    qInstallMessageHandler(previous_);
    outer = nullptr;
}

QStringList SkippedSteps::lines() const
{
    return collected;
}

QStringList SkippedSteps::matching(const QString& part) const
{
    return collected.filter(part);
}

} // namespace testsupport
