#include "uAppSettings.h"

#include "containers/LineBreaks.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <vector>

namespace {

const QByteArray ByteOrderMark("\xEF\xBB\xBF");
constexpr qsizetype WriteChunk = 1 << 16;

[[noreturn]] void RaiseCannotCreate(const QString& FileName, const QString& Reason)
{
    throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(FileName, Reason));
}

} // namespace

TAppSettings::TAppSettings()
    : FStrings(256)
{
}

void TAppSettings::LoadFromFile(const QString& AFileName)
{
    QFile File(AFileName);
    QByteArray Bytes;
    if (File.open(QIODevice::ReadOnly))
        Bytes = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(AFileName, File.errorString()));
    File.close();

    QByteArrayView Text(Bytes);
    if (Text.startsWith(ByteOrderMark))
        Text = Text.sliced(ByteOrderMark.size());
    // Each line is decoded alone: CR and LF bytes never occur inside a UTF-8
    // sequence, and a sequence cut off at a line end is an error.
    QStringDecoder Decoder(QStringConverter::Utf8,
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    std::vector<QString> Lines;
    ForEachLine(Text, [&](qsizetype Start, qsizetype Length) {
        Lines.push_back(Decoder.decode(Text.sliced(Start, Length)));
    });
    if (Decoder.hasError())
        throw EEncodingError(QStringLiteral("No mapping for the Unicode character exists in the target "
                                            "multi-byte code page"));
    Bytes.clear();

    FStrings.BeginUpdate();
    FStrings.Clear();
    for (const QString& Line : Lines)
        FStrings.Add(Line);
    FStrings.EndUpdate();
}

void TAppSettings::SaveToFile(const QString& AFileName) const
{
    QSaveFile File(AFileName);
    // Unbuffered, so that every write reports how much reached the file: a
    // failure while the buffer is flushed at commit would go unnoticed and
    // the cut file would replace the old one.
    if (!File.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        RaiseCannotCreate(AFileName, File.errorString());
    QByteArray Buffer = ByteOrderMark;
    Buffer.reserve(WriteChunk + 4096);
    const auto Flush = [&] {
        if (File.write(Buffer) != Buffer.size())
            RaiseCannotCreate(AFileName, File.errorString());
        Buffer.clear();
    };
    for (int I = 0; I < FStrings.Count(); ++I) {
        Buffer += FStrings.Strings(I).toUtf8();
        Buffer += "\r\n";
        if (Buffer.size() >= WriteChunk)
            Flush();
    }
    Flush();
    if (!File.commit())
        RaiseCannotCreate(AFileName, File.errorString());
}
