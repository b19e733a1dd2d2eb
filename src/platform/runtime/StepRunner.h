#pragma once
// For handlers whose failing statements are skipped (the load and unload handlers and
// the others that trap every error and carry on): each step runs on its own; a step
// that throws is logged with its name and the next step runs.
//
//   StepRunner steps("Form_Load");
//   steps.step("read logdata", [&] { ... });
//   steps.stepIf("engine present", [&] { return engineVersion().isEmpty(); },
//                [&] { ... });   // runs when the test is true, or when the test fails

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace platform {

class StepRunner {
public:
    explicit StepRunner(QString handler = {}) : handler_(std::move(handler)) {}

    // Runs body; a failure is logged and swallowed. Returns true when it completed.
    bool step(const QString& name, const std::function<void()>& body);

    // Runs test; when it is true, or when it fails, body runs (a failing test counts as
    // passed, as with a statement skipped in front of the body). otherwise runs when
    // the test is false. A failing body or otherwise is logged and swallowed.
    // Returns true when the body was run.
    bool stepIf(const QString& name, const std::function<bool()>& test, const std::function<void()>& body,
                const std::function<void()>& otherwise = {});

    // Evaluates fn; on failure logs it and gives fallback.
    template <typename T, typename F>
    T value(const QString& name, F fn, T fallback)
    {
        T result = std::move(fallback);
        step(name, [&] { result = fn(); });
        return result;
    }

    int failures() const { return int(failed_.size()); }
    const QStringList& failedSteps() const { return failed_; }

private:
    void fail(const QString& name, const QString& what);
    QString handler_;
    QStringList failed_;
};

} // namespace platform
