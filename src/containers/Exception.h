#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// Base of every error raised by the program. The class name is kept as text
// because the run log and error boxes name the class of a failure.
class Exception : public std::exception {
public:
    explicit Exception(const QString& message)
        : FMessage(message)
        , FUtf8(message.toUtf8())
    {
    }

    const QString& Message() const { return FMessage; }
    virtual QString ClassName() const { return QStringLiteral("Exception"); }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// Declares an exception class that derives from Base and reports its own name.
#define HARVO_DECLARE_EXCEPTION(Name, Base)                                                                  \
    class Name : public Base {                                                                               \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
        QString ClassName() const override { return QStringLiteral(#Name); }                                 \
    };
