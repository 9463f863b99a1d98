#pragma once

class QBoxLayout;
class QDialog;
class QPushButton;
class QString;
class QWidget;

// A fixed-size dialog with only a system menu and a close button.
void MakeFixedDialog(QDialog& Dialog);

// A caption above its box, which takes Stretch of the layout's spare room.
void AddLabelledBox(QBoxLayout& Layout, const QString& Caption, QWidget* Box, int Stretch = 0);

struct TOkCancelButtons {
    QPushButton* OK;
    QPushButton* Cancel;
};

// OK (the default button, initially disabled) and Cancel (Escape) at the
// bottom of Layout, closing Dialog with accept and reject.
TOkCancelButtons AddOkCancelButtons(QDialog& Dialog, QBoxLayout& Layout);
