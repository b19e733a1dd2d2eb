#pragma once
// The multimedia player's controller: the media command interpreter and its command
// layer, and the main window's "MultiMedia" menu.

#include <QObject>

#include <memory>

namespace shell { class FormMain; }

namespace media {

class MediaCommands;
class ModuleMultimedia;

class Media : public QObject {
    Q_OBJECT
public:
    explicit Media(shell::FormMain& form);
    ~Media() override;
    shell::FormMain& form() const { return form_; }

    MediaCommands& commands() const { return *commands_; }
    ModuleMultimedia& module() const { return *module_; }

    void mulmed_Click(); // menu "MultiMedia"

private:
    shell::FormMain& form_;
    std::unique_ptr<MediaCommands> commands_;
    std::unique_ptr<ModuleMultimedia> module_;
};

} // namespace media
