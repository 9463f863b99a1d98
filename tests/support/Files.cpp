#include "Files.h"

#include <QFile>
#include <gtest/gtest.h>

void WriteFile(const QString& Path, const QByteArray& Bytes)
{
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly)) << Path.toStdString();
    ASSERT_EQ(File.write(Bytes), Bytes.size()) << Path.toStdString();
}

QByteArray ReadFile(const QString& Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}
