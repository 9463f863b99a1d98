#pragma once

#include <QString>
#include <QStringList>

// The tags and attributes of HTML scanned without a document tree. Positions
// count from 1 and 0 means "not found"; names compare ignoring ASCII case.
// No routine fails on any input: positions outside the text find nothing.

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
