#pragma once

#include "app/TVeldrisApplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdlib>

// Where a simulated bus writes every frame, in candump log format (VELDRIS_SIM_TRACE).
inline QString busTrace()
{
    return QDir::temp().filePath(QStringLiteral("veldris-gui-%1.log").arg(QCoreApplication::applicationPid()));
}

// The trace's lines written after its first `offset` bytes.
inline QStringList busTraceFrom(qint64 offset)
{
    QFile file(busTrace());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return {};
    return QString::fromLatin1(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// QTest's main with the program's own application object, so that exceptions that escape a
// handler are caught as in the program. With a simulator library: on the bus of `scenario`
// (nullptr: the simulator's default bus), traced into busTrace().
template <class TestClass>
int runGuiTest(int argc, char** argv, const char* simulator = nullptr, const char* scenario = nullptr)
{
    if (simulator) {
        ::setenv("VELDRIS_PCANBASIC", simulator, 1);
        scenario ? ::setenv("VELDRIS_SIM_SCENARIO", scenario, 1) : ::unsetenv("VELDRIS_SIM_SCENARIO");
        QFile::remove(busTrace());
        ::setenv("VELDRIS_SIM_TRACE", QFile::encodeName(busTrace()).constData(), 1);
    }
    TVeldrisApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    TestClass test;
    const int failed = QTest::qExec(&test, argc, argv);
    QFile::remove(busTrace());
    return failed;
}
