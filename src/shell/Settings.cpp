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
#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/StepValues.h"
#include "platform/runtime/TextFile.h"
#include "platform/runtime/Twips.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "shell/SettingsFile.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <optional>

namespace shell {

using platform::steps::fail;
using platform::steps::isEmpty;
using platform::steps::number;

const QString Shell::kSettingsFile = QStringLiteral("restoreTovaroM");

namespace {

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

// Where the file's values live: the shell's own variables and the controllers' and
// controls' of the main window.
struct Places {
    Shell& shell;
    FormMain& form;
    ::text::TextTools& text;
    ::qso::Qso& qso;
    ::intake::Intake& intake;
    ::engine::EngineControl& engine;
    ::canvas::TxCanvas& canvas;
};

Places placesOf(Shell& shell)
{
    FormMain& form = shell.form();
    return {shell, form, form.text(), form.qso(), form.intake(), form.engine(), form.canvas()};
}

using In = SettingsReader;
using Out = SettingsWriter;

// One field of the file: its number in the fixed order, its name, the lines it takes (an
// array one element a line, from element `first`; a single value is one line), how a
// line is read at start-up and how it is written at exit. The reader and the writer both
// walk the table below, so each line is read into the place it is written from, or into
// the variable the restore applies to that place.
struct SettingsField {
    int number;
    const char* name;
    int first;
    int lines;
    void (*read)(Places&, In&, int element);
    void (*write)(Places&, Out&, int element);
};

// clang-format off
constexpr SettingsField kSettingsFields[] = {
    {1, "textFontRecord", 1, 14,
     [](Places& p, In& in, int i) {
         QString value = p.text.fontRecordEntry(i);
         in.text(value);
         p.text.setFontRecordEntry(i, value);
     },
     [](Places& p, Out& out, int i) { out.text(p.text.fontRecordEntry(i)); }},
    {2, "presetTextFonts", 1, 28,
     [](Places& p, In& in, int i) {
         QString value = p.text.fontPresetText(i);
         in.text(value);
         p.text.setFontPresetText(i, value);
     },
     [](Places& p, Out& out, int i) { out.text(p.text.fontPresetText(i)); }},
    {3, "presetPictureFonts", 1, 28,
     [](Places& p, In& in, int i) {
         QString value = p.text.fontPresetPicture(i);
         in.text(value);
         p.text.setFontPresetPicture(i, value);
     },
     [](Places& p, Out& out, int i) { out.text(p.text.fontPresetPicture(i)); }},
    {4, "paletteColours", 1, 4,
     [](Places& p, In& in, int i) {
         QString colour = p.text.customColour(i);
         in.text(colour);
         p.text.setCustomColour(i, colour);
     },
     [](Places& p, Out& out, int i) { out.text(p.text.customColour(i)); }},
    {5, "spareValueA_", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.spareValueA();
         in.variant(value);
         p.shell.setSpareValueA(value);
     },
     [](Places& p, Out& out, int) { out.variant(p.shell.spareValueA()); }},
    {6, "spareValueB", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.spareValueB();
         in.variant(value);
         p.shell.setSpareValueB(value);
     },
     [](Places& p, Out& out, int) { out.variant(p.shell.spareValueB()); }},
    {7, "callsign", 2, 1,
     [](Places& p, In& in, int) { QString v = p.qso.stationCall(); in.text(v); p.qso.setStationCall(v); },
     [](Places& p, Out& out, int) { out.text(p.qso.stationCall()); }},
    {8, "frequency", 3, 1,
     [](Places& p, In& in, int) { QString v = p.qso.band(); in.text(v); p.qso.setBand(v); },
     [](Places& p, Out& out, int) { out.text(p.qso.band()); }},
    {9, "rsvReport", 4, 1,
     [](Places& p, In& in, int) { QString v = p.qso.report(); in.text(v); p.qso.setReport(v); },
     [](Places& p, Out& out, int) { out.text(p.qso.report()); }},
    {10, "timeZoneLabel", 5, 1,
     [](Places& p, In& in, int) { QString v = p.qso.zoneWord(); in.text(v); p.qso.setZoneWord(v); },
     [](Places& p, Out& out, int) { out.text(p.qso.zoneWord()); }},
    {11, "quickDirs", 1, 14,
     [](Places& p, In& in, int i) {
         QString folder = p.intake.quickDir(i);
         in.text(folder);
         p.intake.setQuickDir(i, folder);
     },
     [](Places& p, Out& out, int i) { out.text(p.intake.quickDir(i)); }},
    {12, "quickDirPage", 1, 8,
     [](Places& p, In& in, int i) {
         QVariant page = p.intake.quickDirPage(i);
         in.variant(page);
         p.intake.setQuickDirPage(i, page);
     },
     [](Places& p, Out& out, int i) { out.variant(p.intake.quickDirPage(i)); }},
    {13, "paletteIndex", 0, 1,
     [](Places& p, In& in, int) {
         Shell::KeptSettings kept = p.shell.keptSettings();
         in.variant(kept.paletteIndex);
         p.shell.setKeptSettings(kept);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.HScroll4->value()); }},
    {14, "outlineWeight", 0, 1,
     [](Places& p, In& in, int) {
         QVariant weight = p.text.outlineWeight();
         in.variant(weight);
         p.text.setOutlineWeight(weight);
     },
     [](Places& p, Out& out, int) { out.variant(p.text.outlineWeight()); }},
    {15, "shadowDepth", 0, 1,
     [](Places& p, In& in, int) {
         QVariant depth = p.text.shadowDepth();
         in.variant(depth);
         p.text.setShadowDepth(depth);
     },
     [](Places& p, Out& out, int) { out.variant(p.text.shadowDepth()); }},
    {16, "shadowDepthScroll_", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.shadowDepthScroll();
         in.variant(value);
         p.shell.setShadowDepthScroll(value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.VScroll1->value()); }},
    {17, "currentQuickDir", 0, 1,
     [](Places& p, In& in, int) {
         QVariant n = p.intake.currentQuickDir();
         in.variant(n);
         p.intake.setCurrentQuickDir(n);
     },
     [](Places& p, Out& out, int) { out.variant(p.intake.currentQuickDir()); }},
    {18, "colourPresetSlot", 0, 1,
     [](Places& p, In& in, int) {
         Shell::KeptSettings kept = p.shell.keptSettings();
         in.variant(kept.colourPresetSlot);
         p.shell.setKeptSettings(kept);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.HScroll5->value()); }},
    {19, "textFontRecordExtra", 15, 5,
     [](Places& p, In& in, int i) {
         QString value = p.text.fontRecordEntry(i);
         in.text(value);
         p.text.setFontRecordEntry(i, value);
     },
     [](Places& p, Out& out, int i) { out.text(p.text.fontRecordEntry(i)); }},
    {20, "utcOffset", 0, 1,
     [](Places& p, In& in, int) { QVariant v = p.qso.utcOffset(); in.variant(v); p.qso.setUtcOffset(v); },
     [](Places& p, Out& out, int) { out.variant(p.qso.utcOffset()); }},
    {21, "shadowOn", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.text.textOption(1);
         in.variant(value);
         p.text.setTextOption(1, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check17->value()); }},
    {22, "outlineOn", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.text.textOption(2);
         in.variant(value);
         p.text.setTextOption(2, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check15->value()); }},
    {23, "backgroundOn", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.text.textOption(3);
         in.variant(value);
         p.text.setTextOption(3, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check16->value()); }},
    {24, "textStyle", 0, 1,
     [](Places& p, In& in, int) {
         Shell::KeptSettings kept = p.shell.keptSettings();
         in.text(kept.textStyle);
         p.shell.setKeptSettings(kept);
     },
     [](Places& p, Out& out, int) { out.text(p.form.Combo3->text()); }},
    {25, "stepModeColour", 0, 1,
     [](Places& p, In& in, int) {
         qint32 mode = p.canvas.shadowStepMode();
         in.longValue(mode);
         p.canvas.setShadowStepMode(mode);
     },
     [](Places& p, Out& out, int) { out.integer(qint32(platform::backColor(p.form.Text13))); }},
    // The same value as field 35; what is read has no use (the start-up overwrites it).
    {26, "shadowDirectionCopy", 0, 1,
     [](Places& p, In& in, int) {
         QVariant copy;
         in.variant(copy);
         p.shell.setScratchText(copy.toString());
     },
     [](Places& p, Out& out, int) { out.variant(p.text.textOption(4)); }},
    {27, "textForeColour", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::TextForeColour);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::TextForeColour, value);
     },
     [](Places& p, Out& out, int) { keptInteger(out, p.shell.savedControlValue(Shell::TextForeColour)); }},
    {28, "textBackColour", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::TextBackColour);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::TextBackColour, value);
     },
     [](Places& p, Out& out, int) { keptInteger(out, p.shell.savedControlValue(Shell::TextBackColour)); }},
    {29, "autoSaveOn", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::AutoSave);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::AutoSave, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check8->value()); }},
    {30, "txFollowsRx", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::TxFollowsRx);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::TxFollowsRx, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check7->value()); }},
    {31, "autoSaveLimit", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.engine.autoSaveLimit();
         in.variant(value);
         p.engine.setAutoSaveLimit(value);
     },
     [](Places& p, Out& out, int) { out.variant(p.engine.autoSaveLimit()); }},
    {32, "notchOn", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::Notch);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::Notch, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check11->value()); }},
    {33, "spectrumFft", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::FftSpectrum);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::FftSpectrum, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check12->value()); }},
    {34, "insertBorder", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.borderSetting();
         in.variant(value);
         p.shell.setBorderSetting(value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check3->value()); }},
    {35, "shadowDirection", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.text.textOption(4);
         in.variant(value);
         p.text.setTextOption(4, value);
     },
     [](Places& p, Out& out, int) { out.variant(p.text.textOption(4)); }},
    {36, "audioAnnounce_", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.audioAnnounce();
         in.variant(value);
         p.shell.setAudioAnnounce(value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.formSetup().Check27->value()); }},
    {37, "windowLeft", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.windowLeftAtExit();
         in.variant(value);
         p.shell.setWindowLeftAtExit(value);
     },
     [](Places& p, Out& out, int) { out.variant(p.shell.windowLeftAtExit()); }},
    {38, "txMode", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.engine.txMode();
         in.variant(value);
         p.engine.setTxMode(value);
     },
     [](Places& p, Out& out, int) { out.variant(p.engine.txMode()); }},
    {39, "toneFrequency", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.engine.toneFrequency();
         in.variant(value);
         p.engine.setToneFrequency(value);
     },
     [](Places& p, Out& out, int) { out.variant(p.engine.toneFrequency()); }},
    {40, "jpegQuality", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.engine.jpegQuality();
         in.variant(value);
         p.engine.setJpegQuality(value);
     },
     [](Places& p, Out& out, int) { out.variant(p.engine.jpegQuality()); }},
    {41, "autoSaveDir", 0, 1,
     [](Places& p, In& in, int) {
         QString folder = p.engine.autoSaveDir();
         in.text(folder);
         p.engine.setAutoSaveDir(folder);
     },
     [](Places& p, Out& out, int) { out.text(p.engine.autoSaveDir()); }},
    {42, "fontPresetSelected", 0, 1,
     [](Places& p, In& in, int) {
         QVariant preset = p.text.fontPresetSelected();
         in.variant(preset);
         p.text.setFontPresetSelected(preset);
     },
     [](Places& p, Out& out, int) { out.variant(p.text.fontPresetSelected()); }},
    {43, "fontStyleCode", 0, 1,
     [](Places& p, In& in, int) {
         qint16 code = p.text.fontStyleCode();
         in.integer(code);
         p.text.setFontStyleCode(code);
     },
     [](Places& p, Out& out, int) { out.integer(p.text.fontStyleCode()); }},
    {44, "headerFlag", 0, 1,
     [](Places& p, In& in, int) { QVariant v = p.qso.headerFlag(); in.variant(v); p.qso.setHeaderFlag(v); },
     [](Places& p, Out& out, int) { out.variant(p.qso.headerFlag()); }},
    {45, "headerNumber", 0, 1,
     [](Places& p, In& in, int) { QVariant v = p.qso.headerNumber(); in.variant(v); p.qso.setHeaderNumberValue(v); },
     [](Places& p, Out& out, int) { out.variant(p.qso.headerNumber()); }},
    {46, "fileTypeFilter", 0, 1,
     [](Places& p, In& in, int) {
         QVariant code = p.intake.fileTypeFilter();
         in.variant(code);
         p.intake.setFileTypeFilter(code);
     },
     [](Places& p, Out& out, int) { out.variant(p.intake.fileTypeFilter()); }},
    {47, "ftpDir", 0, 1,
     [](Places& p, In& in, int) {
         QString folder = p.intake.ftpDir();
         in.text(folder);
         p.intake.setFtpDir(folder);
     },
     [](Places& p, Out& out, int) { out.text(p.intake.ftpDir()); }},
    {48, "autoRx", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::AutoRx);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::AutoRx, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check1->value()); }},
    {49, "headerDisplay", 0, 1,
     [](Places& p, In& in, int) {
         QVariant value = p.shell.savedControlValue(Shell::HeaderShown);
         in.variant(value);
         p.shell.setSavedControlValue(Shell::HeaderShown, value);
     },
     [](Places& p, Out& out, int) { out.integer(p.form.Check2->value()); }},
};
// clang-format on

// The fields stand in their numbered order, and the file keeps its 143 lines: files of
// earlier runs are read line by line at those places.
constexpr bool fieldsInOrder()
{
    int expected = 1;
    for (const SettingsField& field : kSettingsFields)
        if (field.number != expected++ || field.lines < 1)
            return false;
    return true;
}
static_assert(fieldsInOrder());

constexpr int countLines()
{
    int lines = 0;
    for (const SettingsField& field : kSettingsFields)
        lines += field.lines;
    return lines;
}
constexpr int kSettingsLines = countLines();
static_assert(kSettingsLines == 143);

// A box of the restore is ticked when its stored value is 1, and its handler runs (then
// `then`); any other value leaves it as it is.
void tickWhenOne(platform::StepRunner& steps, const QString& name, platform::CheckBox* box, const QVariant& value,
                 const std::function<void()>& then = {})
{
    steps.stepIf(name, [&] { return number(value) == 1; }, [&] {
        box->setValue(1);
        if (then)
            then();
    });
}

} // namespace

void Shell::readSettings(platform::StepRunner& steps)
{
    // Field 5's value when the file does not hold it.
    spareValueA_ = 1;
    // A first start has no file yet: every value keeps what it had; so does a file that
    // cannot be read or is far too large (it is told and kept as it is).
    const QString path = platform::appPath(kSettingsFile);
    const std::optional<QByteArray> bytes = readStored(path, kLargestSettings);
    if (!bytes)
        return;

    SettingsReader in(settingsBytes_.decode(*bytes));
    Places places = placesOf(*this);
    QStringList unread; // the lines that hold no value of their field's kind
    for (const SettingsField& field : kSettingsFields)
        for (int i = field.first; i < field.first + field.lines; ++i) {
            const int line = in.lineNumber();
            if (!steps.step(QStringLiteral("StationSettings.%1 (line %2)").arg(QLatin1String(field.name)).arg(line),
                            [&] { field.read(places, in, i); }))
                unread << QString::number(line);
        }
    const bool whole = steps.step(kSettingsFile + QStringLiteral(" complete"), [&] {
        if (in.lineCount() < kSettingsLines)
            fail(62, QStringLiteral("Input past end of file: the file ends after line %1 of %2; "
                                    "the later values keep what they had")
                         .arg(in.lineCount())
                         .arg(kSettingsLines));
    });
    // A damaged file: what could be read is in use, and the operator knows what was not.
    if (unread.isEmpty() && whole)
        return;
    QStringList damage;
    if (!unread.isEmpty())
        damage << (unread.size() == 1 ? QStringLiteral("line %1 holds no value of its kind").arg(unread.first())
                   : unread.size() <= 8 ? QStringLiteral("lines %1 hold no values of their kinds").arg(unread.join(QStringLiteral(", ")))
                                        : QStringLiteral("%1 of its lines hold no values of their kinds (the first is line %2)")
                                              .arg(unread.size())
                                              .arg(unread.first()));
    if (!whole)
        damage << QStringLiteral("it ends after line %1 of %2").arg(in.lineCount()).arg(kSettingsLines);
    addTrouble(QStringLiteral("The settings file %1 is damaged: %2. Those settings start as on a first run; the others "
                              "were read, and Exit writes the file whole again.")
                   .arg(QDir::toNativeSeparators(path), damage.join(QStringLiteral(", and "))));
}

// The font record as the text box and the TX screen stand at exit. Element 2 keeps the
// TX screen's font size as it was read, before element 9 takes the one now in use.
void Shell::gatherFontRecord()
{
    FormMain& form = form_;
    auto& text = form.text();
    const QFont font = form.Text1->font();
    text.setFontRecordEntry(2, text.fontRecordEntry(9));
    text.setFontRecordEntry(1, font.family());
    text.setFontRecordEntry(3, truthWord(font.bold()));
    text.setFontRecordEntry(4, truthWord(font.italic()));
    text.setFontRecordEntry(5, truthWord(font.underline()));
    text.setFontRecordEntry(6, truthWord(font.strikeOut()));
    const platform::PictureBox* tx = form.Picture1;
    text.setFontRecordEntry(8, tx->FontName());
    text.setFontRecordEntry(9, platform::Str(tx->FontSize()));
    text.setFontRecordEntry(10, truthWord(tx->FontBold()));
    text.setFontRecordEntry(11, truthWord(tx->FontItalic()));
    text.setFontRecordEntry(12, truthWord(tx->FontUnderline()));
    text.setFontRecordEntry(13, truthWord(tx->FontStrikethru()));
}

void Shell::writeSettings(platform::StepRunner& steps)
{
    SettingsWriter out;
    Places places = placesOf(*this);
    for (const SettingsField& field : kSettingsFields)
        for (int i = field.first; i < field.first + field.lines; ++i)
            field.write(places, out, i);
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
    restoreColoursAndBoxes(steps);
    restoreRanges(steps);
    restoreShadowAndStation(steps);
    restoreFonts(steps);
}

// The strip pages, the text colours, and the receive and display boxes; the folders are
// made on the way, after the file-type filter and the header switch.
void Shell::restoreColoursAndBoxes(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& engine = form.engine();
    auto& strips = form.strips();
    auto& text = form.text();

    // Strip pages: each view starts on its first page; the RX pictures' count of pages
    // follows the auto-save limit, seven pictures a page.
    for (int i = 0; i < 4; ++i)
        strips.setLastPage(::strips::Strips::Category(i), 1);
    strips.setRxPageCount(5);
    steps.stepIf(QStringLiteral("strip pages"), [&] { return number(engine.autoSaveLimit()) != 0; },
                 [&] { strips.setRxPageCount(int(platform::Int(number(engine.autoSaveLimit()) / 7)) + 1); });

    // Text colours with their indicators. Black (0) and the system colours (negative) are
    // not restored here: the indicators then keep their design colours, which are the
    // colours a first start gives the text (its back colour is set further down).
    const QVariant& foreColour = savedControlValues_[TextForeColour];
    const QVariant& backColour = savedControlValues_[TextBackColour];
    steps.stepIf(QStringLiteral("text colour"), [&] { return number(foreColour) > 0; }, [&] {
        text.showTextColour(quint32(platform::CLng(number(foreColour))));
    });
    steps.stepIf(QStringLiteral("text back colour"), [&] { return number(backColour) > 0; },
                 [&] { text.showTextBackColour(platform::CLng(number(backColour))); });
    steps.step(QStringLiteral("custom colours"), [&] { text.applyCustomColours(); });

    tickWhenOne(steps, QStringLiteral("A-Save"), form.Check8, savedControlValues_[AutoSave]);
    tickWhenOne(steps, QStringLiteral("TX=RX"), form.Check7, savedControlValues_[TxFollowsRx]);
    tickWhenOne(steps, QStringLiteral("Notch"), form.Check11, savedControlValues_[Notch]);
    tickWhenOne(steps, QStringLiteral("Sp FFT"), form.Check12, savedControlValues_[FftSpectrum],
                [&] { form.Check25->setValue(0); });
    tickWhenOne(steps, QStringLiteral("AutoRX"), form.Check1, savedControlValues_[AutoRx]);
    tickWhenOne(steps, QStringLiteral("HdrON"), form.Check2, savedControlValues_[HeaderShown]);

    // The spoken announcement before each transmission (the setup dialog is loaded).
    tickWhenOne(steps, QStringLiteral("Audio Anounce Mode"), form.formSetup().Check27, audioAnnounce_);

    // The browser's file-type filter: its label chosen and its pattern, no thumbnails.
    steps.step(QStringLiteral("file-type filter"), [&] { form.intake().restoreFileTypeFilter(); });

    // The header switch from the header flag (its handler runs only when the box was
    // not ticked already).
    tickWhenOne(steps, QStringLiteral("header flag"), form.Check2, form.qso().headerFlag());

    // The folders, with the default auto-save folder.
    createFolders(steps);
}

// The JPEG quality and the tone within their ranges, the FFT spectrum's tuning word, the
// border, the window's size and the auto-save limit.
void Shell::restoreRanges(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& engine = form.engine();

    steps.stepIf(
        QStringLiteral("JPEG quality"),
        [&] { return number(engine.jpegQuality()) < 1 || number(engine.jpegQuality()) > 99; },
        [&] {
            engine.setJpegQuality(65);
            form.formSetup().Text5->setText(QStringLiteral("65"));
        });
    steps.stepIf(
        QStringLiteral("tone frequency"),
        [&] { return number(engine.toneFrequency()) < 1 || number(engine.toneFrequency()) > 2700; },
        [&] { engine.setToneFrequency(1750); });
    steps.step(QStringLiteral("tone caption"),
               [&] { form.Command48->setText(platform::numberText(number(engine.toneFrequency()))); });

    // The FFT spectrum's tuning word, when a handler above left an engine reply behind.
    steps.stepIf(QStringLiteral("tuning word"), [&] { return engine.engineReplyLeft(); }, [&] {
        steps.step(QStringLiteral("Sp FM off"), [&] { form.Check25->setValue(0); });
        steps.step(QStringLiteral("Sp FFT on"), [&] { form.Check12->setValue(1); });
        steps.step(QStringLiteral("read tuning word"), [&] { engine.readTuningWord(); });
        steps.step(QStringLiteral("set tuning word"), [&] { engine.tuneForFftSpectrum(); });
    });

    tickWhenOne(steps, QStringLiteral("Border"), form.Check3, borderSetting_);

    // The window: 1024 x 748 (15360 x 11220 twips), or as much larger as its controls
    // need, in the screen's top-left corner and inside the screen's available area.
    steps.step(QStringLiteral("window size"), [&] {
        form.fitToScreen(QSize(platform::twipsToPixelsRounded(15360), platform::twipsToPixelsRounded(11220)));
    });

    // No stored maximum (or one below a single picture, which would empty the folder): the
    // setup dialog's box reads 9000, which makes it the maximum.
    steps.stepIf(QStringLiteral("auto-save limit"), [&] { return !(number(engine.autoSaveLimit()) >= 1); },
                 [&] { form.formSetup().Text4->setText(QStringLiteral("9000")); });
}

// The text effects, the shadow's colour rule, direction and depth, and the station data
// with defaults for what is empty.
void Shell::restoreShadowAndStation(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();
    auto& qso = form.qso();

    // The text effects: Shadow, Outline, BkGnd.
    tickWhenOne(steps, QStringLiteral("Shadow"), form.Check17, text.textOption(1));
    tickWhenOne(steps, QStringLiteral("Outline"), form.Check15, text.textOption(2));
    tickWhenOne(steps, QStringLiteral("BkGnd"), form.Check16, text.textOption(3));

    // The text element's drawing colour is the TX screen's, as restored above.
    text.setDrawingColour(QString::number(form.Picture1->ForeColor()));

    // The shadow colour rule on when it was on; the shadow's direction: the arrow to the
    // lower left, then the one stored (choosing an arrow runs its click, as the
    // operator's choice would).
    steps.stepIf(QStringLiteral("shadow colour rule"), [&] { return form.canvas().shadowStepModeOn(); },
                 [&] { text.restoreShadowColourRule(); });
    steps.step(QStringLiteral("Option3"), [&] { form.Option3->setValue(true); });
    steps.step(QStringLiteral("shadow direction"), [&] {
        const double stored = number(text.textOption(4));
        for (int option = 2; option <= 5; ++option)
            if (stored == option)
                text.shadowArrow(option)->setValue(true);
    });

    // The shadow depth bar (it is set once more later in the start-up).
    if (!isEmpty(shadowDepthScroll_))
        steps.step(QStringLiteral("shadow depth"),
                   [&] { platform::steps::setScrollValue(form.VScroll1, platform::CInt(number(shadowDepthScroll_))); });

    // Station data: defaults for what is empty.
    if (qso.stationCall().isEmpty())
        qso.setStationCall(QStringLiteral("SETUP YOUR CALLSIGN"));
    if (qso.band().isEmpty())
        qso.setBand(QStringLiteral("20M"));
    if (qso.report().isEmpty())
        qso.setReport(QStringLiteral("595"));
    steps.step(QStringLiteral("Text9"), [&] { form.Text9->setText(qso.band()); });
    steps.step(QStringLiteral("Text10"), [&] { form.Text10->setText(qso.report()); });
    if (qso.zoneWord().size() < 2)
        qso.setZoneWord(QStringLiteral("UTC"));
}

// The fonts of the text box, the TX screen and the preset buttons from the font record
// and the presets; the TX screen's back colour last.
void Shell::restoreFonts(platform::StepRunner& steps)
{
    FormMain& form = form_;
    auto& text = form.text();

    // The text box's font: the stored face and styles; bold comes back through the
    // style boxes later. A font record never stored applies nothing.
    const auto record = [&](int index) { return text.fontRecordEntry(index); };
    auto textFont = [&](const QString& name, const std::function<void(QFont&)>& change) {
        steps.step(name, [&] {
            QFont font = form.Text1->font();
            change(font);
            form.Text1->setFont(font);
        });
    };
    if (!record(1).isEmpty())
        textFont(QStringLiteral("Text1 font name"), [&](QFont& f) { f.setFamily(record(1)); });
    textFont(QStringLiteral("Text1 bold"), [&](QFont& f) { f.setBold(false); });
    textFont(QStringLiteral("Text1 italic"), [&](QFont& f) {
        if (const auto on = truth(record(4)))
            f.setItalic(*on);
    });
    textFont(QStringLiteral("Text1 underline"), [&](QFont& f) {
        if (const auto on = truth(record(5)))
            f.setUnderline(*on);
    });
    textFont(QStringLiteral("Text1 strikethrough"), [&](QFont& f) {
        if (const auto on = truth(record(6)))
            f.setStrikeOut(*on);
    });

    // The TX screen's font; a size never stored is 12.
    platform::PictureBox* tx = form.Picture1;
    if (!record(8).isEmpty())
        steps.step(QStringLiteral("TX font name"), [&] { tx->setFontName(record(8)); });
    steps.step(QStringLiteral("TX font size"), [&] {
        if (record(9).isEmpty()) {
            tx->setFontSize(12);
            return;
        }
        const double size = platform::CDbl(record(9));
        if (size <= 0)
            fail(380, QStringLiteral("Invalid property value: font size %1").arg(record(9)));
        tx->setFontSize(size);
    });
    steps.step(QStringLiteral("TX bold"), [&] { tx->setFontBold(false); });
    steps.step(QStringLiteral("TX italic"), [&] {
        if (const auto on = truth(record(11)))
            tx->setFontItalic(*on);
    });
    steps.step(QStringLiteral("TX underline"), [&] {
        if (const auto on = truth(record(12)))
            tx->setFontUnderline(*on);
    });
    steps.step(QStringLiteral("TX strikethrough"), [&] {
        if (const auto on = truth(record(13)))
            tx->setFontStrikethru(*on);
    });

    // The font-preset buttons show their presets' faces.
    platform::CommandButton* const presets[] = {form.Command21, form.Command25, form.Command23, form.Command24};
    for (int k = 0; k < 4; ++k) {
        const QString name = text.fontPresetText(7 * k + 1);
        if (name.isEmpty())
            continue;
        steps.step(QStringLiteral("preset %1 font").arg(k + 1), [&] {
            QFont font = presets[k]->font();
            font.setFamily(name);
            presets[k]->setFont(font);
        });
    }

    // The TX screen's back colour as stored, whatever it is (nothing stored is black).
    steps.step(QStringLiteral("TX back colour"), [&] {
        form.Picture1->setBackColor(quint32(platform::CLng(number(savedControlValues_[TextBackColour]))));
    });
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
    if (engine.autoSaveDir().isEmpty()) {
        makeFolder(QStringLiteral("AutoSave"));
        engine.setAutoSaveDir(platform::appPath(QStringLiteral("AutoSave")) + QLatin1Char('/'));
    }
    for (const char* name : {"TXImages", "MugShots", "Favorites", "CamImages"})
        makeFolder(QString::fromLatin1(name));
}

} // namespace shell
