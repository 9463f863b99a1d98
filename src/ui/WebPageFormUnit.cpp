#include "ui/WebPageFormUnit.h"

#include <QLineEdit>

TWebPageForm::TWebPageForm(QWidget* Parent)
    : TEntryForm(QStringLiteral("Web Page"), QStringLiteral("Download web page from a specific URL."),
        QStringLiteral("URL:"), QStringLiteral("Extract URLs Depth:"), 450, Parent)
{
    FirstEdit()->setObjectName(QStringLiteral("WebPageEdit"));
    SecondEdit()->setObjectName(QStringLiteral("ExtractURLsEdit"));
    SecondEdit()->setText(QStringLiteral("0"));
}

bool TWebPageForm::Execute(QString& WebPage, int& ExtractURLs)
{
    if (!ExecuteTexts(WebPage, QString::number(ExtractURLs)))
        return false;
    const int Depth = StrToInt(SecondEdit()->text());
    WebPage = FirstEdit()->text();
    ExtractURLs = Depth;
    return true;
}

int StrToInt(const QString& Text)
{
    bool Ok = false;
    const int Value = Text.trimmed().toInt(&Ok, 10);
    if (!Ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(Text));
    return Value;
}
