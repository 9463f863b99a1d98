#include "http/MultipartFormData.h"

#include <QRandomGenerator>

namespace {

// Quotes a disposition parameter; line breaks and quotes cannot end it early.
QByteArray QuotedParameter(const QString& Value)
{
    QByteArray Bytes = Value.toUtf8();
    Bytes.replace('\r', "%0D").replace('\n', "%0A").replace('"', "%22");
    return '"' + Bytes + '"';
}

} // namespace

TMultipartFormData::TMultipartFormData()
    : FBoundary("--------" + QByteArray::number(QRandomGenerator::global()->generate64(), 16))
{
}

void TMultipartFormData::AddPart(
    const QByteArray& Disposition, const QString& ContentType, const QByteArray& Data)
{
    FParts += "--" + FBoundary + "\r\nContent-Disposition: form-data; " + Disposition + "\r\n";
    if (!ContentType.isEmpty())
        FParts += "Content-Type: " + ContentType.toUtf8() + "\r\n";
    FParts += "\r\n" + Data + "\r\n";
}

void TMultipartFormData::AddFormField(const QString& Name, const QString& Value)
{
    AddPart("name=" + QuotedParameter(Name), QString(), Value.toUtf8());
}

void TMultipartFormData::AddFile(
    const QString& Name, const QString& FileName, const QString& ContentType, const QByteArray& Data)
{
    AddPart("name=" + QuotedParameter(Name) + "; filename=" + QuotedParameter(FileName),
        ContentType.isEmpty() ? QStringLiteral("application/octet-stream") : ContentType, Data);
}

QString TMultipartFormData::ContentType() const
{
    return QStringLiteral("multipart/form-data; boundary=") + QString::fromLatin1(FBoundary);
}

QByteArray TMultipartFormData::Body() const
{
    return FParts + "--" + FBoundary + "--\r\n";
}
