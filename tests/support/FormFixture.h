#pragma once
// Builds the main window over a fresh, empty application folder, with the scripted Ui
// answering every dialog. XDG_DATA_HOME points at a temporary folder from before the
// window exists until after it is gone, so nothing a test does reaches the user's data.
//
//     testsupport::FormFixture f;
//     f.ui().answers ...;            // queue dialog answers
//     f.form().Command3->click();    // drive the window as the operator would
//     QFile::exists(f.appPath("TXImages"));

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace platform { class ScriptedUi; }
namespace shell { class FormMain; }

namespace testsupport {

class FormFixture {
public:
    // Builds the form at once unless `build` is false (then call build() after
    // preparing files in appFolder()).
    explicit FormFixture(bool build = true);
    ~FormFixture();
    FormFixture(const FormFixture&) = delete;
    FormFixture& operator=(const FormFixture&) = delete;

    void build();
    // Destroys the form (its controllers and windows); the folder stays until the
    // fixture ends.
    void destroy();

    shell::FormMain& form() const { return *form_; }
    bool built() const { return form_ != nullptr; }
    platform::ScriptedUi& ui() const { return *ui_; }
    // A dialog shown without a queued answer fails the test when the fixture ends,
    // unless the test allows it.
    void allowUnexpectedDialogs() { allowUnexpected_ = true; }

    // The temporary XDG_DATA_HOME and the application folder under it; the fixture
    // does not create the folder (the program does, as at a first start).
    QString dataHome() const { return dir_.path(); }
    QString appFolder() const;
    QString appPath(const QString& relative) const;

private:
    QTemporaryDir dir_;
    QByteArray savedXdg_;
    bool hadXdg_ = false;
    bool allowUnexpected_ = false;
    std::unique_ptr<platform::ScriptedUi> ui_;
    std::unique_ptr<shell::FormMain> form_;
};

} // namespace testsupport
