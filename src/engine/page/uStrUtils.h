#pragma once

// uStrUtils: the HTML scanner's text routines: ASCII case folding and
// comparison, digits and spaces.

#include <QString>
#include <QStringView>

// Case folding touches the ASCII letters only. Positions count from 1. No
// routine fails on any input: positions outside the text find nothing.

// C with A to Z folded onto a to z.
char16_t FoldASCII(QChar C);

// The value of C as a digit in Base (at most 16), or -1.
int DigitValue(QChar C, int Base);

// Tab, line feed, carriage return or space.
bool IsSpace(QChar C);

// True when the two texts are equal, ignoring ASCII case.
bool SameTextView(QStringView S1, QStringView S2);

// True when N characters of S1 from P1 equal N characters of S2 from P2,
// ignoring ASCII case.
bool SameTextAt(const QString& S1, const QString& S2, int N, int P1, int P2);

// True when S starts with Prefix, ignoring ASCII case.
bool StartsText(const QString& S, const QString& Prefix);

// True when Part stands somewhere in S, ignoring ASCII case.
bool ContainsText(const QString& S, const QString& Part);

// True when the two texts are equal, ignoring ASCII case.
bool SameText(const QString& S1, const QString& S2);

// S with A to Z folded onto a to z.
QString LowerCaseASCII(const QString& S);
