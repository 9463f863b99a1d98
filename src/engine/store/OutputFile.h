#pragma once

#include <QString>

// Where the content of a list entry is saved. A file path made from a URL
// never leaves the output folder: percent escapes, "." and ".." segments,
// separators that came from escapes and NUL characters cannot climb out.
struct TOutputFile {
    QString FilePath; // the file to write (normalised when Inside)
    QString Dir; // its folder, also the one named when Inside is false
    bool Inside = false;
};

// The entry's output file path with its percent escapes resolved: "%" and
// two hexadecimal digits for a byte, "%u" and four for a UTF-16 character,
// bytes read as UTF-8. Bytes that are not valid UTF-8, control characters,
// tab and "%" keep their escapes (upper-case), invalid escapes stand as they
// are, so two URLs that differ give two names; characters that stand
// unescaped are kept as they are.
QString DecodeOutputFilePath(const QString& OutFilePath);

// Decodes OutFilePath, places it under OutDir and checks that it stays
// there, by its text and again on disk: a symbolic link among the folders
// that already exist must not lead out of OutDir. Folder names compare
// case-sensitively except on Windows. Without an output folder the path must
// stay relative and below the working folder.
TOutputFile LocateOutputFile(const QString& OutFilePath, const QString& OutDir);
