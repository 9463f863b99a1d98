#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// Reads a fuzzer's input as a few small numbers followed by text fields. A
// field ends at a NUL byte or at the end of the input; numbers read past the
// end are 0, so every input is a valid case.
class FuzzInput {
public:
    FuzzInput(const uint8_t* Data, size_t Size)
        : FData(Data)
        , FSize(Size)
    {
    }

    uint8_t TakeByte() { return FPos < FSize ? FData[FPos++] : 0; }
    // A signed value from two bytes, so small negatives and overlarge values
    // both occur.
    int TakeInt16() { return int16_t(uint16_t(TakeByte()) | uint16_t(TakeByte()) << 8); }
    // The next field as UTF-8 text.
    QString TakeField();
    // Everything not read yet as UTF-8 text.
    QString TakeRest();
    // Everything not read yet as raw bytes.
    QByteArray TakeRestBytes();

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};
