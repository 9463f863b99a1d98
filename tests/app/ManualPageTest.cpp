#include "CliProcess.h"

#include "support/Files.h"
#include "support/QStringPrinter.h"
#include "support/ScopedHome.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// The option names a text mentions ("-o", "--output", "-start").
QSet<QString> OptionsIn(const QString& Text)
{
    static const QRegularExpression Option(QStringLiteral("(?<![\\w/.-])(--?[a-z][a-z-]*)"));
    QSet<QString> Found;
    for (const QRegularExpressionMatch& Match : Option.globalMatch(Text))
        Found.insert(Match.captured(1));
    return Found;
}

// The manual page's text without its font escapes, "\-" read as "-".
QString ManualText(const QString& Name)
{
    QString Text = QString::fromUtf8(ReadFile(QStringLiteral(HARVO_MANUAL_DIR "/") + Name));
    Text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    Text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    return Text;
}

TEST(ManualPage, HelpAndManualNameTheSameOptions)
{
    const CliResult Help = RunCli({ "--help" });
    ASSERT_EQ(Help.ExitCode, 0);
    const QSet<QString> InHelp = OptionsIn(QString::fromUtf8(Help.Output));
    const QSet<QString> InManual = OptionsIn(ManualText("harvo-cli.1"));
    EXPECT_GT(InHelp.size(), 30);
    EXPECT_EQ(QSet<QString>(InHelp).subtract(InManual), QSet<QString>());
    EXPECT_EQ(QSet<QString>(InManual).subtract(InHelp), QSet<QString>());
    // Every option that the help names is one the program takes; the
    // configuration runs among them find none in an empty home.
    ScopedHome Home;
    for (const QString& Option : InHelp) {
        const CliResult Result = RunCli({ Option });
        EXPECT_FALSE(Result.Errors.contains("unknown option")) << Option.toStdString();
    }
}

} // namespace
