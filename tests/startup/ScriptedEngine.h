#pragma once
// A scripted engine behind the binding's function table: it records every call in order
// (name and arguments) and answers from the script below. One script per process.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QStringList>


#include "platform/services/Engine.h"

namespace scripted {

struct Script {
    QByteArray version = "1.05-scripted";
    QList<QByteArray> modeNames; // index = mode number; an empty name ends the list
    QByteArray fskId;
    int32_t tuneWord = 0x25;
    uint32_t outputGain = 0xFFFFFFFF;
    int32_t nextDib = 1;
    QList<int32_t> statuses;             // what mmsDoJob answers, in order; then 0
    int32_t rxMode = 0;                  // mmsGetMode
    QMap<int32_t, uint32_t> imageSizes;  // mmsGetImageSize by mode; 320 x 256 for the others
    int32_t pos[3] = {0, 0, 0};          // mmsGetPos by kind
    int32_t txWord = 0;                  // mmsSetTxControl(-1)
    int32_t rxWord = 0;                  // mmsSetRxControl(-1)
    int32_t sendPicResult = 1;
    QMap<QByteArray, QByteArray> options; // what vrrGetOption answers by name; "" for the others
    QStringList calls; // "mmsCreateDIB(800,616)=1", in call order; mmsDrawDIBdc records the
                       // device's size and the destination: "mmsDrawDIBdc(640,512,0,0,640,512,2,4)=1"
};

// The current script; reset() gives a fresh one.
Script &script();
void reset();

// A complete function table over the script.
platform::EngineFunctions functions();

// The names of the calls made since the last reset (without arguments).
QStringList callNames();
// The calls of one function, with their arguments and results.
QStringList callsOf(const QString &name);

} // namespace scripted
