#include "media/Media.h"

#include "interfaces/Form.h"
#include "media/FrmMain.h"
#include "media/MediaCommands.h"
#include "media/ModuleMultimedia.h"
#include "platform/services/Ui.h"

namespace media {

Media::Media(interfaces::Form& form)
    : QObject(nullptr), form_(form), commands_(std::make_unique<MediaCommands>()),
      module_(std::make_unique<ModuleMultimedia>(*commands_))
{
}

Media::~Media() = default;

void Media::mulmed_Click()
{
    // The camera controller and the player are never open together.
    if (QWidget* camera = form_.loaded(interfaces::Form::Window::Camera); camera && camera->isVisible())
        camera->close();
    const QStringList lines = {
        QStringLiteral("The Multimedia will play only, at this stage."),
        QStringLiteral("It will play all Microsoft Multi-Media Player files."),
        QStringLiteral("On first use, after selecting 'OPEN' it may take up to 2 mins to initialize; wait for Error "
                       "Report showing 'no errors'"),
        QStringLiteral("To operate, Select file, Open it, Play it."),
        QStringLiteral("The 'From:' and 'To:' are the actual frame numbers if you wish to specify."),
        QStringLiteral("The slider will position the play point."),
        QStringLiteral("If the resize and position boxes are left blank, then the video picture will fill the TX "
                       "screen automatically."),
        QStringLiteral("The resize and position scale is in pixels.")};
    form_.ui().msgBox(lines.join(QLatin1Char('\r')), platform::vbOKOnly);
    form_.frmMain().show();
}

} // namespace media
