#pragma once

#include <QByteArray>
#include <QString>

// A multipart/form-data request body; its content type carries the boundary.
class TMultipartFormData {
public:
    TMultipartFormData();

    void AddFormField(const QString& Name, const QString& Value);
    void AddFile(
        const QString& Name, const QString& FileName, const QString& ContentType, const QByteArray& Data);

    QString ContentType() const;
    // The whole body with its closing boundary.
    QByteArray Body() const;

private:
    void AddPart(const QByteArray& Disposition, const QString& ContentType, const QByteArray& Data);

    QByteArray FBoundary;
    QByteArray FParts;
};
