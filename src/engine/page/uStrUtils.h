#pragma once

#include <QString>
#include <QStringList>

// Text scanning of HTML without a document tree. Positions count from 1 and
// 0 means "not found"; case folding touches the ASCII letters only. No
// routine fails on any input: positions outside the text find nothing.

// The value of C as a digit in Base (at most 16), or -1.
int DigitValue(QChar C, int Base);

// Tab, line feed, carriage return or space.
bool IsSpace(QChar C);

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

// Position of the "<" of the next start tag at or after StartPos whose name
// is one of Tags; TagIndex receives the index of that name.
int FindTag(const QString& S, const QStringList& Tags, int StartPos, int& TagIndex);

// Position of the next ">" at or after StartPos.
int FindTagEnd(const QString& S, int StartPos);

// Position of the "<" of the closing tag that matches an opening tag ending
// just before StartPos, counting nested opening tags of the same name.
int FindCloseTag(const QString& S, const QString& TagName, int StartPos);

// Position of the first character of the value of attribute AttrName in the
// tag text S; ValueEnd receives the position just after the value and Quote
// how it was quoted (a quote character, a backslash, or the character 0).
int FindAttr(const QString& S, const QString& AttrName, int StartPos, int& ValueEnd, QChar& Quote);

// The decoded value of attribute AttrName in the tag text S, or empty.
QString GetAttrValue(const QString& S, const QString& AttrName, int StartPos);

// Count characters of S from From with backslash escapes resolved (when
// Quote is a backslash) and character references decoded.
QString DecodeAttrValue(const QString& S, int From, int Count, QChar Quote);

// Count characters of S from From with backslash escapes resolved.
QString UnescapeStr(const QString& S, int From, int Count);
