#include "ui/WebDocFormUnit.h"

#include <QLineEdit>

TWebDocForm::TWebDocForm(QWidget* Parent)
    : TEntryForm(QStringLiteral("Download Files"),
        QStringLiteral("Download files which URL starts with a specific string."),
        QStringLiteral("URL starts with:"), QStringLiteral("Output Folder:"), 507, Parent)
{
    FirstEdit()->setObjectName(QStringLiteral("WebDocumentEdit"));
    SecondEdit()->setObjectName(QStringLiteral("OutFolderEdit"));
}

bool TWebDocForm::Execute(QString& WebDocument, QString& OutFolder)
{
    if (!ExecuteTexts(WebDocument, OutFolder))
        return false;
    WebDocument = FirstEdit()->text();
    OutFolder = SecondEdit()->text();
    return true;
}
