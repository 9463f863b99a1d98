#pragma once

#include "ui/EntryForm.h"

// One download-files rule: a URL prefix and the folder its files go to.
class TWebDocForm : public TEntryForm {
    Q_OBJECT
public:
    explicit TWebDocForm(QWidget* Parent = nullptr);

    bool Execute(QString& WebDocument, QString& OutFolder);
};
