#pragma once

#include "containers/Exception.h"
#include "ui/EntryForm.h"

HARVO_DECLARE_EXCEPTION(EConvertError, Exception)

// One web page to start from with the depth to which its links are followed.
class TWebPageForm : public TEntryForm {
    Q_OBJECT
public:
    explicit TWebPageForm(QWidget* Parent = nullptr);

    // On OK writes the URL and the depth back and returns true; a depth that
    // is not a whole number raises EConvertError and leaves both unchanged.
    bool Execute(QString& WebPage, int& ExtractURLs);
};

// Decimal text to a signed 32-bit integer, or EConvertError with the
// message "'%s' is not a valid integer value".
int StrToInt(const QString& Text);
