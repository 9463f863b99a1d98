#include "engine/FileReplace.h"

#include "support/Files.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FileReplace, ANameTooLongFailsWithItsReasonAndLeavesNothingBehind)
{
    QTemporaryDir Temp;
    for (const int Length : { 300, 5000 }) {
        try {
            WriteFileReplacing(Temp.path() + "/" + QString(Length, 'n'), "x");
            ADD_FAILURE() << Length;
        } catch (const EFileError& Error) {
            EXPECT_TRUE(Error.Message().endsWith("File name too long")) << Length;
            EXPECT_LT(Error.Message().size(), 500) << Length;
        }
    }
    EXPECT_TRUE(QDir(Temp.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(FileReplace, ReplacesAnExistingFileWhole)
{
    QTemporaryDir Temp;
    const QString Path = Temp.path() + "/a.bin";
    WriteFile(Path, QByteArray(1000, 'o'));
    WriteFileReplacing(Path, "new");
    EXPECT_EQ(ReadFile(Path), "new");
}
