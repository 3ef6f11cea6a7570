#pragma once

#include "tests/support/MainWindowFixture.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

// Writes the bytes as a file in the fixture's folder; its path.
inline QString WriteIn(MainWindowFixture& f, const QString& name, const QByteArray& bytes)
{
    const QString path = f.dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Writes the bytes as a file in the fixture's folder and opens it with the Open File button.
inline QString OpenInWindow(MainWindowFixture& f, const QString& name, const QByteArray& bytes)
{
    const QString path = WriteIn(f, name, bytes);
    f.toolkit.fileAnswers.enqueue(path);
    QTest::mouseClick(f.window->Controls().Command1, Qt::LeftButton);
    return path;
}
