#include "ProjectTable.h"

#include <QList>
#include <QStringList>

QString ProjectTable(const TWebsiteProjectList& Projects)
{
    const auto YesNo = [](bool Value) { return Value ? QStringLiteral("yes") : QStringLiteral("no"); };
    QList<QStringList> Rows { { QStringLiteral("Name"), QStringLiteral("Group"), QStringLiteral("Visible"),
        QStringLiteral("Checked"), QStringLiteral("Website URL"), QStringLiteral("Output Folder") } };
    for (int I = 0; I < Projects.Count(); ++I) {
        const TWebsiteProject& Project = *Projects.GetProject(I);
        Rows.append({ Project.ProjectName(), Project.GroupName(), YesNo(Project.Visible()),
            YesNo(Project.Checked()), Project.WebsiteURL(), Project.OutputFolder() });
    }
    QList<int> Widths(Rows.first().size(), 0);
    for (const QStringList& Row : Rows)
        for (int Column = 0; Column < Row.size(); ++Column)
            Widths[Column] = qMax(Widths[Column], static_cast<int>(Row[Column].size()));

    QString Table;
    for (const QStringList& Row : Rows) {
        QString Line;
        for (int Column = 0; Column < Row.size(); ++Column) {
            const bool Last = Column + 1 == Row.size();
            Line += Last ? Row[Column] : Row[Column].leftJustified(Widths[Column] + 2);
        }
        // A last column that is empty leaves no trailing blanks.
        while (Line.endsWith(QLatin1Char(' ')))
            Line.chop(1);
        Table += Line + QLatin1Char('\n');
    }
    return Table;
}
