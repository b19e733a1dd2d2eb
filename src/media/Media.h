#pragma once
// The multimedia player's controller: the media command interpreter and its command
// layer, and the main window's "MultiMedia" menu.

#include <QObject>

#include <memory>

namespace interfaces { class Form; }

namespace media {

class MediaCommands;
class ModuleMultimedia;

class Media : public QObject {
    Q_OBJECT
public:
    explicit Media(interfaces::Form& form);
    ~Media() override;
    interfaces::Form& form() const { return form_; }

    MediaCommands& commands() const { return *commands_; }
    ModuleMultimedia& module() const { return *module_; }

    void mulmed_Click(); // menu "MultiMedia"

private:
    interfaces::Form& form_;
    std::unique_ptr<MediaCommands> commands_;
    std::unique_ptr<ModuleMultimedia> module_;
};

} // namespace media
