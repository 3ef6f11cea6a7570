#pragma once

#include "tests/support/MainWindowFixture.h"
#include "tests/support/WavBuilder.h"

#include <QPushButton>
#include <QTest>

// Writes the bytes as a file in the fixture's folder and opens it with the Open File button.
inline QString OpenInWindow(MainWindowFixture& f, const QString& name, const QByteArray& bytes)
{
    const QString path = WavBuilder::write(f.dir.filePath(name), bytes);
    f.toolkit.fileAnswers.enqueue(path);
    QTest::mouseClick(f.window->Controls().Command1, Qt::LeftButton);
    return path;
}
