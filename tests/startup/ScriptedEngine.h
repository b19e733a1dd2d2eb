#pragma once
// A scripted engine behind the binding's function table: it records every call in order
// (name and arguments) and answers from the script below. One script per process.

#include <QByteArray>
#include <QList>
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
    QStringList calls; // "mmsCreateDIB(800,616)=1", in call order
};

// The current script; reset() gives a fresh one.
Script &script();
void reset();

// A complete function table over the script.
platform::EngineFunctions functions();

// The names of the calls made since the last reset (without arguments).
QStringList callNames();

} // namespace scripted
