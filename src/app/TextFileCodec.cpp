#include "TextFileCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <iconv.h>

namespace {

// Converts all of in, or fails; no byte is ever guessed or dropped.
bool Iconv(const char* to, const char* from, const QByteArray& in, QByteArray* out)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out->resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = out->data();
    size_t dstLeft = static_cast<size_t>(out->size());
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || srcLeft != 0)
        return false;
    out->resize(out->size() - static_cast<qsizetype>(dstLeft));
    return true;
}

}  // namespace

DecodedText DecodeTextFileBytes(const QByteArray& bytes)
{
    DecodedText d;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.encoding = TextFileEncoding::Utf8Bom;
        d.text = QString::fromUtf8(bytes.mid(3));
        d.ok = true;
        return d;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool le = bytes.startsWith("\xFF\xFE");
        d.encoding = le ? TextFileEncoding::Utf16LE : TextFileEncoding::Utf16BE;
        QStringDecoder dec(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::Stateless);
        d.text = dec.decode(bytes.mid(2));
        d.ok = !dec.hasError();
        return d;
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    d.text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        d.encoding = TextFileEncoding::Utf8;
        d.ok = true;
        return d;
    }
    QByteArray converted;
    d.encoding = TextFileEncoding::Cp932;
    d.ok = Iconv("UTF-8", "CP932", bytes, &converted);
    d.text = d.ok ? QString::fromUtf8(converted) : QString();
    return d;
}

EncodedText EncodeTextFileBytes(const QString& text, TextFileEncoding encoding)
{
    EncodedText e;
    switch (encoding) {
    case TextFileEncoding::Utf8:
    case TextFileEncoding::Utf8Bom:
        e.bytes = (encoding == TextFileEncoding::Utf8Bom ? QByteArray("\xEF\xBB\xBF") : QByteArray())
                  + text.toUtf8();
        e.ok = true;
        return e;
    case TextFileEncoding::Utf16LE:
    case TextFileEncoding::Utf16BE: {
        const bool le = encoding == TextFileEncoding::Utf16LE;
        QStringEncoder enc(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        e.bytes = (le ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF")) + QByteArray(enc.encode(text));
        e.ok = true;
        return e;
    }
    case TextFileEncoding::Cp932:
        break;
    }
    e.ok = Iconv("CP932", "UTF-8", text.toUtf8(), &e.bytes);
    if (!e.ok) {
        // Name the first character that has no place in the code page.
        for (int i = 0; i < text.size();) {
            const int len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QByteArray one;
            if (!Iconv("CP932", "UTF-8", text.mid(i, len).toUtf8(), &one)) {
                e.problem = QStringLiteral("「%1」はこの文字コード (Shift_JIS) で保存できません。")
                                .arg(text.mid(i, len));
                break;
            }
            i += len;
        }
        e.bytes.clear();
    }
    return e;
}
