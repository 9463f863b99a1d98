#include "app/ChangedFilesList.h"

#include "support/FileSizeLimit.h"
#include "support/Files.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

TEST(ChangedFilesList, OneUtf8LinePerFileReplacingTheOldList)
{
    QTemporaryDir Temp;
    const QString Path = Temp.path() + "/changed.txt";
    WriteFile(Path, "an older and longer list\n");
    QString Error;
    const QStringList Files { "/out/index.html", QString::fromUtf8("/out/gr\u00fc\u00dfe caf\u00e9.html") };
    ASSERT_TRUE(WriteChangedFilesList(Path, Files, Error)) << Error.toStdString();
    EXPECT_EQ(ReadFile(Path),
        "/out/index.html\n/out/gr\xC3\xBC\xC3\x9F"
        "e caf\xC3\xA9.html\n");
    ASSERT_TRUE(WriteChangedFilesList(Path, {}, Error)) << Error.toStdString();
    EXPECT_EQ(ReadFile(Path), "");
    EXPECT_EQ(QDir(Temp.path()).entryList(QDir::Files), QStringList { "changed.txt" });
}

// A list cut short by a full disk never takes the old list's place.
TEST(ChangedFilesList, AListThatCannotBeWrittenLeavesThePathAsItWas)
{
    QTemporaryDir Temp;
    const QString Old = Temp.path() + "/changed.txt";
    WriteFile(Old, "old\n");
    struct Case {
        QString Path;
        int SizeLimit; // 0: none
    };
    const Case Cases[] = { { Temp.path() + "/missing/changed.txt", 0 }, { Temp.path(), 0 }, { Old, 100 } };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Path.toStdString());
        QString Error;
        bool Written;
        {
            std::unique_ptr<ScopedFileSizeLimit> Limit;
            if (C.SizeLimit > 0)
                Limit = std::make_unique<ScopedFileSizeLimit>(C.SizeLimit);
            Written
                = WriteChangedFilesList(C.Path, QStringList(50, "/out/some/long/enough/name.html"), Error);
        }
        EXPECT_FALSE(Written);
        const QString Start = "cannot write the list of changed files \"" + C.Path + "\": ";
        EXPECT_TRUE(Error.startsWith(Start)) << Error.toStdString();
        EXPECT_GT(Error.size(), Start.size()) << "the reason is missing";
        EXPECT_EQ(ReadFile(Old), "old\n");
        EXPECT_EQ(QDir(Temp.path()).entryList(QDir::Files), QStringList { "changed.txt" });
    }
}

} // namespace
