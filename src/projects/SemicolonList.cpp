#include "SemicolonList.h"

QStringList SplitSemicolonList(const QString& Value)
{
    QStringList Result;
    for (QStringView Piece : QStringView(Value).split(u';')) {
        qsizetype Start = 0;
        qsizetype End = Piece.size();
        while (Start < End && Piece[Start].unicode() <= 32)
            ++Start;
        while (End > Start && Piece[End - 1].unicode() <= 32)
            --End;
        if (Start < End)
            Result.append(Piece.mid(Start, End - Start).toString());
    }
    return Result;
}
