#include "Files.h"

#include <QDir>
#include <QDirIterator>
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

std::map<QString, QByteArray> TreeOf(const QString& Folder)
{
    std::map<QString, QByteArray> Tree;
    QDirIterator Files(Folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (Files.hasNext()) {
        const QString Path = Files.next();
        Tree[QDir(Folder).relativeFilePath(Path)] = ReadFile(Path);
    }
    return Tree;
}
