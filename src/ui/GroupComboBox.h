#pragma once

#include <QComboBox>

// A drop-down list that announces that it is about to open, so its entries
// can be rebuilt first.
class TGroupComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        emit DropDown();
        QComboBox::showPopup();
    }

signals:
    void DropDown();
};
