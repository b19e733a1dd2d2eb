#include "engine/EngineControl.h"

#include "engine/PictureArchive.h"
#include "engine/TuneWord.h"

#include "interfaces/Form.h"
#include "interfaces/StripsRoom.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace engine {

namespace {

const QString kCaption = QStringLiteral(
    "TOVARO+  01/MAR/2003. WARNING-THIS IS BETA WITH PROBABLE BUGS.  Vareror-Eng Ver:1.05 or better "
    "required. Your version installed is: ");
const QString kEngineMissing = QStringLiteral("VAREROR.DLL missing. Please install in Application Directory.");

// An engine buffer the size of a display box (its scale size, rounded).
int32_t createDibFor(const platform::Engine& e, const platform::PictureBox* box)
{
    return e.mmsCreateDIB(int32_t(std::lrint(box->ScaleWidth())), int32_t(std::lrint(box->ScaleHeight())));
}

} // namespace

EngineControl::EngineControl(interfaces::Form& form) : QObject(nullptr), form_(form) {}

EngineControl::~EngineControl() = default;

QString EngineControl::engineVersion() const
{
    try {
        return platform::engineText(engine_.EngineString(engine_.mmsGetVersion()));
    } catch (const platform::EngineError&) {
        return {};
    }
}

bool EngineControl::engineStart(platform::StepRunner& steps)
{
    const platform::Engine& e = engine_;
    steps.step(QStringLiteral("caption"), [&] {
        form_.widget().setWindowTitle(kCaption + platform::engineText(e.EngineString(e.mmsGetVersion())));
    });
    // No library, a library without every function, or no version text: the program
    // cannot work. The test failing (no engine to ask) counts as passed.
    bool missing = false;
    steps.stepIf(
        QStringLiteral("engine present"),
        [&] { return platform::engineTextEmpty(e.EngineString(e.mmsGetVersion())); },
        [&] {
            missing = true;
            form_.ui().msgBox(kEngineMissing, platform::vbOKOnly);
        });
    if (missing)
        return false;

    steps.step(QStringLiteral("mmsCreate"), [&] { e.mmsCreate(&form_.widget(), 0); });
    steps.step(QStringLiteral("txDib"), [&] { txDib_ = e.mmsCreateDIB(800, 616); });
    steps.step(QStringLiteral("rxDib"), [&] { rxDib_ = e.mmsCreateDIB(800, 616); });
    steps.step(QStringLiteral("mmsSetBitmap"), [&] { e.mmsSetBitmap(rxDib_, 0, txDib_); });
    steps.step(QStringLiteral("tuneDib"), [&] { tuneDib_ = createDibFor(e, form_.Picture15); });
    steps.step(QStringLiteral("specDibA"), [&] { specDibA_ = createDibFor(e, form_.Picture16); });
    steps.step(QStringLiteral("specDibB"), [&] { specDibB_ = createDibFor(e, form_.Picture17); });
    steps.step(QStringLiteral("mmsSetTuneBitmap"), [&] { e.mmsSetTuneBitmap(specDibA_, specDibB_, tuneDib_); });
    steps.step(QStringLiteral("mmsSetSpecRange"), [&] { e.mmsSetSpecRange(700, 2000); });
    steps.step(QStringLiteral("mmsStart"), [&] { e.mmsStart(); });
    // The list index is the mode number: the names stop at the first mode without one.
    steps.step(QStringLiteral("mode list"), [&] {
        for (int i = 0; i <= 50; ++i) {
            const QString name = e.EngineString(e.mmsGetModeName(i));
            if (platform::engineTextEmpty(name))
                break;
            form_.Combo2->addItem(platform::engineText(name));
        }
    });
    steps.step(QStringLiteral("rxMode"), [&] { rxMode_ = txMode_; });
    steps.step(QStringLiteral("Combo2 selection"), [&] {
        const int mode = platform::CInt(platform::Val(txMode_.toString()));
        if (mode < 0 || mode >= form_.Combo2->listCount())
            throw platform::VbError(380, QStringLiteral("Invalid property value"));
        form_.Combo2->setListIndex(mode);
    });
    steps.step(QStringLiteral("Label37"), [&] { form_.Label37->setCaption(form_.Combo2->text()); });
    steps.step(QStringLiteral("clear RX DIB"), [&] { e.mmsFillDIB(rxDib_, 0); });
    steps.step(QStringLiteral("Label56"), [&] {
        form_.Label56->setCaption(platform::engineText(e.EngineString(e.mmsSetFSKID(nullptr))));
    });
    steps.step(QStringLiteral("Image24"), [&] { form_.strips().setTrashCanPicture(form_.Image16->Picture()); });
    steps.step(QStringLiteral("notchFreq"), [&] { notchFreq_ = 50; });
    steps.step(QStringLiteral("tune word"), [&] { engineResult_ = e.mmsSetTuneControl(-1); });
    steps.stepIf(
        QStringLiteral("FM display word"), [&] { return form_.Check11->value() == 0; },
        [&] {
            engineResult_ = tuneWordFor(engineResult_, SpectrumFm);
            e.mmsSetTuneControl(engineResult_);
        });
    steps.stepIf(QStringLiteral("notch"), [&] { return form_.Check11->value() == 1; }, [&] { Check11_Click(); });
    steps.stepIf(QStringLiteral("FFT display"), [&] { return form_.Check12->value() == 1; },
                 [&] { Check12_Click(); });
    return true;
}

// The DIB deletions come right after mmsDelete, before any event can run: the buffers
// belong to the library, not to the engine instance, and the binding lets only those
// releases (and the output gain) through once the engine is deleted. The polling tick
// and every other engine user are held off by the same binding from then on. The engine
// writes its settings file as it is deleted: on a slow disk the window shows it is busy.
void EngineControl::Form_QueryUnload()
{
    platform::StepRunner steps(QStringLiteral("Form_QueryUnload"));
    const int pointer = form_.MousePointer();
    form_.setMousePointer(platform::kHourglass);
    steps.step(QStringLiteral("mmsDelete"), [&] { engine_.mmsDelete(); });
    form_.setMousePointer(pointer);
    const std::pair<const char*, int32_t> buffers[] = {
        {"rxDib", rxDib_}, {"txDib", txDib_}, {"specDibA", specDibA_}, {"specDibB", specDibB_}, {"tuneDib", tuneDib_}};
    for (const auto& [name, dib] : buffers)
        steps.step(QString::fromLatin1(name), [&] { engineResult_ = engine_.mmsDeleteDIB(dib); });
    platform::waitWithEvents(2000);
}

int EngineControl::pruneDatedFolder(const QString& folder, int keep, int mostDeletions, const QString& spare,
                                    const QString& prefix)
{
    return pruneDatedPictures(folder, keep, mostDeletions, spare, prefix);
}

bool EngineControl::isDatedPictureFile(const QString& fileName) const
{
    return isDatedPictureName(fileName);
}

// The setting rounded as a whole number; outside 0 to 100 the nearest end of it.
int EngineControl::jpegWriteQuality() const
{
    return std::clamp(int(platform::CInt(jpegQuality_.toDouble())), 0, 100);
}

void EngineControl::readTuningWord()
{
    engineResult_ = engine_.mmsSetTuneControl(-1);
}

void EngineControl::tuneForFftSpectrum()
{
    engineResult_ = qint32((quint32(engineResult_) & 0xFFFFFFC8u) | 0x12u);
    engine_.mmsSetTuneControl(engineResult_);
}

} // namespace engine
