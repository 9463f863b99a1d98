#include "FuzzInput.h"

#include <cstring>

QString FuzzInput::TakeField()
{
    const size_t Start = FPos;
    const void* Nul = FPos < FSize ? std::memchr(FData + FPos, 0, FSize - FPos) : nullptr;
    const size_t End = Nul ? static_cast<const uint8_t*>(Nul) - FData : FSize;
    FPos = Nul ? End + 1 : FSize;
    return QString::fromUtf8(reinterpret_cast<const char*>(FData + Start), qsizetype(End - Start));
}

QString FuzzInput::TakeRest()
{
    return QString::fromUtf8(TakeRestBytes());
}

QByteArray FuzzInput::TakeRestBytes()
{
    const size_t Start = FPos;
    FPos = FSize;
    return QByteArray(reinterpret_cast<const char*>(FData + Start), qsizetype(FSize - Start));
}
