#pragma once
// Collects the steps that the program's handlers log as failed and skipped, while it
// lives; other messages go on to the handler that was in place.
//
//     testsupport::SkippedSteps skipped;
//     ... start the program ...
//     QCOMPARE(skipped.lines(), QStringList());

#include <QStringList>
#include <QtGlobal>

namespace testsupport {

class SkippedSteps {
public:
    SkippedSteps();
    ~SkippedSteps();
    SkippedSteps(const SkippedSteps&) = delete;
    SkippedSteps& operator=(const SkippedSteps&) = delete;

    // The messages, in order ("Form_Load: step \"x\" failed and was skipped: why").
    QStringList lines() const;
    // Those whose text contains part.
    QStringList matching(const QString& part) const;

private:
    QtMessageHandler previous_;
};

} // namespace testsupport
