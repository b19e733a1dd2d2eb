// The settings file "restoreTovaroM" (StationSettings): 49 values on 143 lines in a
// fixed order, read into their variables at start-up and written from the variables
// and controls at shut-down; and the restore that applies what was read.
//
// Each value lives in its own variable or control; the file is the only place where
// they stand together. The values of controls that this version does not have yet
// are read into variables of their own and written back unchanged, so a file goes
// round whole whatever this version applies of it.

#include "shell/Shell.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/TextFile.h"
#include "platform/runtime/Twips.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "shell/SettingsFile.h"
#include "shell/ShellSteps.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <optional>

namespace shell {

using steps::fail;
using steps::isEmpty;
using steps::number;

namespace {

const QString kSettingsFile = QStringLiteral("restoreTovaroM");
constexpr int kSettingsLines = 143;

QString truthWord(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// A font flag as the font record holds it: the word True or False (or a number, as a
// truth value); nothing stored gives nothing to apply.
std::optional<bool> truth(const QString& word)
{
    const QString w = word.trimmed();
    if (w.isEmpty())
        return std::nullopt;
    if (w.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (w.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double n = w.toDouble(&ok);
    if (!ok)
        fail(platform::vbErrTypeMismatch, QStringLiteral("\"%1\" is neither True nor False").arg(word));
    return n != 0;
}

// A field that an Integer or Long control gives at exit, while that control does not
// exist yet: what was read goes back as it was read; nothing read is the control's 0.
void keptInteger(SettingsWriter& out, const QVariant& value)
{
    if (isEmpty(value))
        out.integer(0);
    else
        out.variant(value);
}

} // namespace

void Shell::readSettings(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();
    auto& qso = form.qso();
    auto& intake = form.intake();
    auto& engine = form.engine();
    auto& canvas = form.canvas();

    // Field 5's value when the file does not hold it.
    spareValueA = 1;
    // A first start has no file yet: every value keeps what it had; so does a file that
    // cannot be read or is far too large (it is told and kept as it is).
    const QString path = platform::appPath(kSettingsFile);
    const std::optional<QByteArray> bytes = readStored(path, kLargestSettings);
    if (!bytes)
        return;

    SettingsReader in(settingsBytes_.decode(*bytes));
    auto field = [&](const char* name, const std::function<void()>& read) {
        steps.step(QStringLiteral("StationSettings.%1 (line %2)").arg(QLatin1String(name)).arg(in.lineNumber()), read);
    };
    for (int i = 1; i <= 14; ++i)
        field("textFontRecord", [&] { in.text(text.fontRecord[i]); });
    for (int i = 1; i <= 28; ++i)
        field("presetTextFonts", [&] { in.text(text.fontPresetsText[i]); });
    for (int i = 1; i <= 28; ++i)
        field("presetPictureFonts", [&] { in.text(text.fontPresetsPicture[i]); });
    for (int i = 1; i <= 4; ++i)
        field("paletteColours", [&] { in.text(text.customColours[i]); });
    field("spareValueA", [&] { in.variant(spareValueA); });
    field("spareValueB", [&] { in.variant(spareValueB); });
    field("callsign", [&] { in.text(qso.stationRecord[2]); });
    field("frequency", [&] { in.text(qso.stationRecord[3]); });
    field("rsvReport", [&] { in.text(qso.stationRecord[4]); });
    field("timeZoneLabel", [&] { in.text(qso.stationRecord[5]); });
    for (int i = 1; i <= 14; ++i)
        field("quickDirs", [&] { in.text(intake.quickDirs[i]); });
    for (int i = 1; i <= 8; ++i)
        field("quickDirPage", [&] { in.variant(intake.quickDirPage[i]); });
    field("paletteIndex", [&] { in.variant(kept.paletteIndex); });
    field("outlineWeight", [&] { in.variant(text.outlineWeight); });
    field("shadowDepth", [&] { in.variant(text.shadowDepth); });
    field("shadowDepthScroll", [&] { in.variant(shadowDepthScroll); });
    field("currentQuickDir", [&] { in.variant(intake.currentQuickDir); });
    field("colourPresetSlot", [&] { in.variant(kept.colourPresetSlot); });
    for (int i = 15; i <= 19; ++i)
        field("textFontRecordExtra", [&] { in.text(text.fontRecord[i]); });
    field("utcOffset", [&] { in.variant(qso.utcOffset); });
    field("shadowOn", [&] { in.variant(text.textOptionFlags[1]); });
    field("outlineOn", [&] { in.variant(text.textOptionFlags[2]); });
    field("backgroundOn", [&] { in.variant(text.textOptionFlags[3]); });
    field("textStyle", [&] { in.text(kept.textStyle); });
    field("stepModeColour", [&] { in.longValue(canvas.stepModeColour); });
    field("shadowDirectionCopy", [&] {
        QVariant copy;
        in.variant(copy);
        scratchText = copy.toString();
    });
    field("textForeColour", [&] { in.variant(savedControlValues[1]); });
    field("textBackColour", [&] { in.variant(savedControlValues[2]); });
    field("autoSaveOn", [&] { in.variant(savedControlValues[3]); });
    field("txFollowsRx", [&] { in.variant(savedControlValues[4]); });
    field("autoSaveLimit", [&] { in.variant(engine.autoSaveLimit); });
    field("notchOn", [&] { in.variant(savedControlValues[5]); });
    field("spectrumFft", [&] { in.variant(savedControlValues[6]); });
    field("insertBorder", [&] { in.variant(borderSetting); });
    field("shadowDirection", [&] { in.variant(text.textOptionFlags[4]); });
    field("audioAnnounce", [&] { in.variant(audioAnnounce); });
    field("windowLeft", [&] { in.variant(windowLeftAtExit); });
    field("txMode", [&] { in.variant(engine.txMode); });
    field("toneFrequency", [&] { in.variant(engine.toneFrequency); });
    field("jpegQuality", [&] { in.variant(engine.jpegQuality); });
    field("autoSaveDir", [&] { in.text(engine.autoSaveDir); });
    field("fontPresetSelected", [&] { in.variant(text.fontPresetSelected); });
    field("fontStyleCode", [&] { in.integer(text.fontStyleCode); });
    field("headerFlag", [&] { in.variant(qso.headerFlag); });
    field("headerNumber", [&] { in.variant(qso.headerNumber); });
    field("fileTypeFilter", [&] { in.variant(intake.fileTypeFilter); });
    field("ftpDir", [&] { in.text(intake.ftpDir); });
    field("autoRx", [&] { in.variant(savedControlValues[7]); });
    field("headerDisplay", [&] { in.variant(savedControlValues[8]); });
    steps.step(kSettingsFile + QStringLiteral(" complete"), [&] {
        if (in.lineCount() < kSettingsLines)
            fail(62, QStringLiteral("Input past end of file: the file ends after line %1 of %2; "
                                    "the later values keep what they had")
                         .arg(in.lineCount())
                         .arg(kSettingsLines));
    });
}

// The font record as the text box and the TX screen stand at exit. Element 2 keeps the
// TX screen's font size as it was read, before element 9 takes the one now in use.
void Shell::gatherFontRecord()
{
    FormMain& form = form_;
    QString* record = form.text().fontRecord;
    const QFont font = form.Text1->font();
    record[2] = record[9];
    record[1] = font.family();
    record[3] = truthWord(font.bold());
    record[4] = truthWord(font.italic());
    record[5] = truthWord(font.underline());
    record[6] = truthWord(font.strikeOut());
    const platform::PictureBox* tx = form.Picture1;
    record[8] = tx->FontName();
    record[9] = platform::Str(tx->FontSize());
    record[10] = truthWord(tx->FontBold());
    record[11] = truthWord(tx->FontItalic());
    record[12] = truthWord(tx->FontUnderline());
    record[13] = truthWord(tx->FontStrikethru());
}

void Shell::writeSettings(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();
    auto& qso = form.qso();
    auto& intake = form.intake();
    auto& engine = form.engine();

    SettingsWriter out;
    for (int i = 1; i <= 14; ++i)
        out.text(text.fontRecord[i]);
    for (int i = 1; i <= 28; ++i)
        out.text(text.fontPresetsText[i]);
    for (int i = 1; i <= 28; ++i)
        out.text(text.fontPresetsPicture[i]);
    for (int i = 1; i <= 4; ++i)
        out.text(text.customColours[i]);
    out.variant(spareValueA);
    out.variant(spareValueB);
    for (int i = 2; i <= 5; ++i)
        out.text(qso.stationRecord[i]);
    for (int i = 1; i <= 14; ++i)
        out.text(intake.quickDirs[i]);
    for (int i = 1; i <= 8; ++i)
        out.variant(intake.quickDirPage[i]);
    out.integer(form.HScroll4->value());
    out.variant(text.outlineWeight);
    out.variant(text.shadowDepth);
    out.integer(form.VScroll1->value());
    out.variant(intake.currentQuickDir);
    out.integer(form.HScroll5->value());
    for (int i = 15; i <= 19; ++i)
        out.text(text.fontRecord[i]);
    out.variant(qso.utcOffset);
    out.integer(form.Check17->value());
    out.integer(form.Check15->value());
    out.integer(form.Check16->value());
    out.text(form.Combo3->text());
    out.integer(qint32(platform::backColor(form.Text13)));
    out.variant(text.textOptionFlags[4]);
    keptInteger(out, savedControlValues[1]);
    keptInteger(out, savedControlValues[2]);
    out.integer(form.Check8->value());
    out.integer(form.Check7->value());
    out.variant(engine.autoSaveLimit);
    out.integer(form.Check11->value());
    out.integer(form.Check12->value());
    out.integer(form.Check3->value());
    out.variant(text.textOptionFlags[4]);
    out.integer(form.formSetup().Check27->value());
    out.variant(windowLeftAtExit);
    out.variant(engine.txMode);
    out.variant(engine.toneFrequency);
    out.variant(engine.jpegQuality);
    out.text(engine.autoSaveDir);
    out.variant(text.fontPresetSelected);
    out.integer(text.fontStyleCode);
    out.variant(qso.headerFlag);
    out.variant(qso.headerNumber);
    out.variant(intake.fileTypeFilter);
    out.text(intake.ftpDir);
    out.integer(form.Check1->value());
    out.integer(form.Check2->value());
    Q_ASSERT(out.lines() == kSettingsLines);

    // Written whole or not at all: a failed write leaves the previous file as it was. Lines
    // read in Latin-1 and not changed keep their bytes.
    const QString path = platform::appPath(kSettingsFile);
    if (!mayReplace(path))
        return;
    steps.step(QStringLiteral("write ") + kSettingsFile, [&] {
        QString why;
        if (!platform::writeFileBytes(path, settingsBytes_.encode(out.content()), &why)) {
            writeFailed(path, why);
            fail(75, why);
        }
    });
}

void Shell::restoreControls(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& engine = form.engine();
    auto& strips = form.strips();
    auto& text = form.text();
    auto& qso = form.qso();

    // Strip pages: each view starts on its first page; the RX pictures' count of pages
    // follows the auto-save limit, seven pictures a page.
    for (int i = 1; i <= 4; ++i)
        strips.stripPages[i] = 1;
    strips.stripPages[0] = 5;
    steps.stepIf(QStringLiteral("strip pages"), [&] { return number(engine.autoSaveLimit) != 0; },
                 [&] { strips.stripPages[0] = int(platform::Int(number(engine.autoSaveLimit) / 7)) + 1; });

    // Text colours with their indicators. Black (0) and the system colours (negative) are
    // not restored here: the indicators then keep their design colours, which are the
    // colours a first start gives the text (its back colour is set further down).
    steps.stepIf(QStringLiteral("text colour"), [&] { return number(savedControlValues[1]) > 0; }, [&] {
        const quint32 colour = quint32(platform::CLng(number(savedControlValues[1])));
        form.Picture1->setForeColor(colour);
        platform::setBackColor(form.Label25, colour);
    });
    steps.stepIf(QStringLiteral("text back colour"), [&] { return number(savedControlValues[2]) > 0; }, [&] {
        const qint32 colour = platform::CLng(number(savedControlValues[2]));
        form.Picture1->setBackColor(quint32(colour));
        platform::setBackColor(form.Label45, quint32(colour));
        text.textBackColour = colour;
    });
    steps.step(QStringLiteral("custom colours"), [&] { text.applyCustomColours(); });

    // The receive and display boxes: a box is ticked when its value is 1, and its
    // handler runs; any other value leaves it as it is.
    auto tick = [&](const QString& name, platform::CheckBox* box, const QVariant& value,
                    const std::function<void()>& then = {}) {
        steps.stepIf(name, [&] { return number(value) == 1; }, [&] {
            box->setValue(1);
            if (then)
                then();
        });
    };
    tick(QStringLiteral("A-Save"), form.Check8, savedControlValues[3]);
    tick(QStringLiteral("TX=RX"), form.Check7, savedControlValues[4]);
    tick(QStringLiteral("Notch"), form.Check11, savedControlValues[5]);
    tick(QStringLiteral("Sp FFT"), form.Check12, savedControlValues[6], [&] { form.Check25->setValue(0); });
    tick(QStringLiteral("AutoRX"), form.Check1, savedControlValues[7]);
    tick(QStringLiteral("HdrON"), form.Check2, savedControlValues[8]);

    // The spoken announcement before each transmission (the setup dialog is loaded).
    tick(QStringLiteral("Audio Anounce Mode"), form.formSetup().Check27, audioAnnounce);

    // The browser's file-type filter: its label chosen and its pattern, no thumbnails.
    steps.step(QStringLiteral("file-type filter"), [&] { form.intake().restoreFileTypeFilter(); });

    // The header switch from the header flag (its handler runs only when the box was
    // not ticked already).
    tick(QStringLiteral("header flag"), form.Check2, qso.headerFlag);

    // The folders, with the default auto-save folder.
    createFolders(steps);

    // The JPEG quality and the tone within their ranges.
    steps.stepIf(
        QStringLiteral("JPEG quality"),
        [&] { return number(engine.jpegQuality) < 1 || number(engine.jpegQuality) > 99; },
        [&] {
            engine.jpegQuality = 65;
            form.formSetup().Text5->setText(QStringLiteral("65"));
        });
    steps.stepIf(
        QStringLiteral("tone frequency"),
        [&] { return number(engine.toneFrequency) < 1 || number(engine.toneFrequency) > 2700; },
        [&] { engine.toneFrequency = 1750; });
    steps.step(QStringLiteral("tone caption"),
               [&] { form.Command48->setText(platform::numberText(number(engine.toneFrequency))); });

    // The FFT spectrum's tuning word, when a handler above left an engine reply behind.
    steps.stepIf(QStringLiteral("tuning word"), [&] { return engine.engineResult != 0; }, [&] {
        steps.step(QStringLiteral("Sp FM off"), [&] { form.Check25->setValue(0); });
        steps.step(QStringLiteral("Sp FFT on"), [&] { form.Check12->setValue(1); });
        steps.step(QStringLiteral("read tuning word"), [&] { engine.engineResult = engine.binding().mmsSetTuneControl(-1); });
        engine.engineResult = qint32((quint32(engine.engineResult) & 0xFFFFFFC8u) | 0x12u);
        steps.step(QStringLiteral("set tuning word"), [&] { engine.binding().mmsSetTuneControl(engine.engineResult); });
    });

    tick(QStringLiteral("Border"), form.Check3, borderSetting);

    // The window: 1024 x 748 (15360 x 11220 twips), or as much larger as its controls
    // need, in the screen's top-left corner and inside the screen's available area.
    steps.step(QStringLiteral("window size"), [&] {
        form.fitToScreen(QSize(platform::twipsToPixelsRounded(15360), platform::twipsToPixelsRounded(11220)));
    });

    // No stored maximum (or one below a single picture, which would empty the folder): the
    // setup dialog's box reads 9000, which makes it the maximum.
    steps.stepIf(QStringLiteral("auto-save limit"), [&] { return !(number(engine.autoSaveLimit) >= 1); },
                 [&] { form.formSetup().Text4->setText(QStringLiteral("9000")); });

    // The text effects: Shadow, Outline, BkGnd.
    tick(QStringLiteral("Shadow"), form.Check17, text.textOptionFlags[1]);
    tick(QStringLiteral("Outline"), form.Check15, text.textOptionFlags[2]);
    tick(QStringLiteral("BkGnd"), form.Check16, text.textOptionFlags[3]);

    // The text element's drawing colour is the TX screen's, as restored above.
    text.fontRecord[7] = QString::number(form.Picture1->ForeColor());

    // The shadow colour rule on when it was on; the shadow's direction: the arrow to the
    // lower left, then the one stored (choosing an arrow runs its click, as the
    // operator's choice would).
    steps.stepIf(QStringLiteral("shadow colour rule"), [&] { return form.canvas().stepModeColour == 255; }, [&] {
        platform::setBackColor(form.Text13, 255);
        text.shadowColourMode = 1;
        form.Text13->setText(QStringLiteral(" ") + platform::Str(form.HScroll5->value()));
    });
    steps.step(QStringLiteral("Option3"), [&] { form.Option3->setValue(true); });
    steps.step(QStringLiteral("shadow direction"), [&] {
        const double stored = number(text.textOptionFlags[4]);
        for (int option = 2; option <= 5; ++option)
            if (stored == option)
                text.shadowArrow(option)->setValue(true);
    });

    // The shadow depth bar (it is set once more later in the start-up).
    if (!isEmpty(shadowDepthScroll))
        steps.step(QStringLiteral("shadow depth"),
                   [&] { steps::setScrollValue(form.VScroll1, platform::CInt(number(shadowDepthScroll))); });

    // Station data: defaults for what is empty.
    if (qso.stationRecord[2].isEmpty())
        qso.stationRecord[2] = QStringLiteral("SETUP YOUR CALLSIGN");
    if (qso.stationRecord[3].isEmpty())
        qso.stationRecord[3] = QStringLiteral("20M");
    if (qso.stationRecord[4].isEmpty())
        qso.stationRecord[4] = QStringLiteral("595");
    steps.step(QStringLiteral("Text9"), [&] { form.Text9->setText(qso.stationRecord[3]); });
    steps.step(QStringLiteral("Text10"), [&] { form.Text10->setText(qso.stationRecord[4]); });
    if (qso.stationRecord[5].size() < 2)
        qso.stationRecord[5] = QStringLiteral("UTC");

    // The text box's font: the stored face and styles; bold comes back through the
    // style boxes later. A font record never stored applies nothing.
    const QString* record = text.fontRecord;
    auto textFont = [&](const QString& name, const std::function<void(QFont&)>& change) {
        steps.step(name, [&] {
            QFont font = form.Text1->font();
            change(font);
            form.Text1->setFont(font);
        });
    };
    if (!record[1].isEmpty())
        textFont(QStringLiteral("Text1 font name"), [&](QFont& f) { f.setFamily(record[1]); });
    textFont(QStringLiteral("Text1 bold"), [&](QFont& f) { f.setBold(false); });
    textFont(QStringLiteral("Text1 italic"), [&](QFont& f) {
        if (const auto on = truth(record[4]))
            f.setItalic(*on);
    });
    textFont(QStringLiteral("Text1 underline"), [&](QFont& f) {
        if (const auto on = truth(record[5]))
            f.setUnderline(*on);
    });
    textFont(QStringLiteral("Text1 strikethrough"), [&](QFont& f) {
        if (const auto on = truth(record[6]))
            f.setStrikeOut(*on);
    });

    // The TX screen's font; a size never stored is 12.
    platform::PictureBox* tx = form.Picture1;
    if (!record[8].isEmpty())
        steps.step(QStringLiteral("TX font name"), [&] { tx->setFontName(record[8]); });
    steps.step(QStringLiteral("TX font size"), [&] {
        if (record[9].isEmpty()) {
            tx->setFontSize(12);
            return;
        }
        const double size = platform::CDbl(record[9]);
        if (size <= 0)
            fail(380, QStringLiteral("Invalid property value: font size %1").arg(record[9]));
        tx->setFontSize(size);
    });
    steps.step(QStringLiteral("TX bold"), [&] { tx->setFontBold(false); });
    steps.step(QStringLiteral("TX italic"), [&] {
        if (const auto on = truth(record[11]))
            tx->setFontItalic(*on);
    });
    steps.step(QStringLiteral("TX underline"), [&] {
        if (const auto on = truth(record[12]))
            tx->setFontUnderline(*on);
    });
    steps.step(QStringLiteral("TX strikethrough"), [&] {
        if (const auto on = truth(record[13]))
            tx->setFontStrikethru(*on);
    });

    // The font-preset buttons show their presets' faces.
    platform::CommandButton* const presets[] = {form.Command21, form.Command25, form.Command23, form.Command24};
    for (int k = 0; k < 4; ++k) {
        const QString& name = text.fontPresetsText[7 * k + 1];
        if (name.isEmpty())
            continue;
        steps.step(QStringLiteral("preset %1 font").arg(k + 1), [&] {
            QFont font = presets[k]->font();
            font.setFamily(name);
            presets[k]->setFont(font);
        });
    }

    // The TX screen's back colour as stored, whatever it is (nothing stored is black).
    steps.step(QStringLiteral("TX back colour"),
               [&] { form.Picture1->setBackColor(quint32(platform::CLng(number(savedControlValues[2])))); });
}

// "AutoSave" only while no auto-save folder is set (even one that does not exist);
// then the other four. A folder that exists stays as it is, with its files.
void Shell::createFolders(platform::StepRunner& steps)
{
    auto& engine = form_.engine();
    auto makeFolder = [&](const QString& name) {
        steps.step(name, [&] {
            QDir folder(platform::appFolder());
            if (!folder.exists(name) && !folder.mkdir(name)) {
                // A read-only folder has been told already.
                if (!appFolderReadOnly_)
                    addTrouble(QStringLiteral("The folder %1 cannot be made.")
                                   .arg(QDir::toNativeSeparators(folder.filePath(name))));
                fail(76, QStringLiteral("Path not found: %1 cannot be made").arg(folder.filePath(name)));
            }
        });
    };
    if (engine.autoSaveDir.isEmpty()) {
        makeFolder(QStringLiteral("AutoSave"));
        engine.autoSaveDir = platform::appPath(QStringLiteral("AutoSave")) + QLatin1Char('/');
    }
    for (const char* name : {"TXImages", "MugShots", "Favorites", "CamImages"})
        makeFolder(QString::fromLatin1(name));
}

} // namespace shell
