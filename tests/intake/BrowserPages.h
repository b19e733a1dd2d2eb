#pragma once
// The browser's pages in the tests: folders of pictures in colours of their own, which of
// them the four thumbnails show, and the main window showing a folder's first page.

#include "FormFixture.h"
#include "TestPictures.h"

#include "intake/Intake.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "shell/FormMain.h"

#include <QDir>
#include <QTest>

namespace browsertest {

inline const QRgb kColours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFFFF00FF,
                                0xFF00FFFF, 0xFF808080, 0xFF804000, 0xFF004080, 0xFF408000};

// n pictures "p0.png", "p1.png", ... in the folder (made when missing), picture i in colour i.
inline void writeColours(const QString& folder, int n)
{
    QDir().mkpath(folder);
    for (int i = 0; i < n; ++i)
        QVERIFY(testsupport::solid(64, 48, kColours[i]).save(folder + QStringLiteral("/p%1.png").arg(i)));
}

// Which picture each thumbnail shows (by its colour at the centre), -1 for none.
inline QList<int> shown(shell::FormMain& form)
{
    QList<int> pictures;
    for (int code = 11; code <= 14; ++code) {
        const QImage picture = form.thumbnailFor(code)->Picture();
        int found = -1;
        for (int i = 0; !picture.isNull() && i < 10; ++i)
            if (picture.pixel(320, 256) == kColours[i])
                found = i;
        pictures << found;
    }
    return pictures;
}

// The main window; page() shows the first page of a folder.
struct Browser {
    testsupport::FormFixture f;
    shell::FormMain& form = f.form();
    intake::Intake& in = form.intake();
    void page(const QString& folder)
    {
        form.File1->setPath(folder);
        form.File1->setListIndex(0);
        in.Label13_Click();
    }
};

} // namespace browsertest
