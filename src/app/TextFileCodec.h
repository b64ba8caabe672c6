// Bytes of the File menu's plain-text documents and back: UTF-8 with or without BOM,
// UTF-16 with BOM, else the Windows Japanese code page (CP932). A document is written
// back in the encoding it was read in, so opening and saving never changes its bytes
// beyond the edits.
#pragma once

#include <QByteArray>
#include <QString>

enum class TextFileEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Cp932 };

struct DecodedText {
    bool ok = false;
    QString text;
    TextFileEncoding encoding = TextFileEncoding::Utf8;
};

// Fails only for bytes that are neither UTF-8 nor CP932.
DecodedText DecodeTextFileBytes(const QByteArray& bytes);

// Fails (ok false) when the text holds a character the encoding cannot represent;
// problem then names it.
struct EncodedText {
    bool ok = false;
    QByteArray bytes;
    QString problem;
};
EncodedText EncodeTextFileBytes(const QString& text, TextFileEncoding encoding);
