#pragma once
// The main of a test that uses Qt Multimedia (camera, player): the program's media
// backend is chosen before the application object exists, as the program's main does.
//
//     TOVARO_MEDIA_TEST_MAIN(CameraTest)

#include "platform/services/MediaBackend.h"

#include <QApplication>
#include <QTest>

#define TOVARO_MEDIA_TEST_MAIN(TestObject)                                                   \
    int main(int argc, char* argv[])                                                         \
    {                                                                                        \
        platform::chooseMediaBackend();                                                      \
        QApplication app(argc, argv);                                                        \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                             \
        TestObject tc;                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                           \
        return QTest::qExec(&tc, argc, argv);                                                \
    }
