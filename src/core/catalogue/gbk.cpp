#include "core/catalogue/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cstring>

namespace kestrin::gbk {

qsizetype indexOf(QByteArrayView text, QByteArrayView needle, qsizetype from)
{
    const qsizetype n = text.size();
    const qsizetype m = needle.size();
    if (m == 0)
        return from <= n ? from : -1;
    const uchar first = uchar(needle[0]);
    // A byte below 0x40 (",", TAB, CR, LF, blank) or 0x7F is never a trail byte, so a plain byte search
    // finds only character starts.
    if (first < 0x40 || first == 0x7F) {
        const char *base = text.data();
        qsizetype i = from;
        while (i + m <= n) {
            const void *hit = std::memchr(base + i, first, size_t(n - m + 1 - i));
            if (!hit)
                return -1;
            i = static_cast<const char *>(hit) - base;
            if (std::memcmp(base + i, needle.data(), size_t(m)) == 0)
                return i;
            ++i;
        }
        return -1;
    }
    // Otherwise walk character by character from from, which callers keep on a character start: a walk
    // from the start of the text every time would make splitting at a thousand bars a million steps.
    for (qsizetype i = from; i + m <= n; i += charWidth(text, i)) {
        if (uchar(text[i]) == first && std::memcmp(text.data() + i, needle.data(), size_t(m)) == 0)
            return i;
    }
    return -1;
}

QString decode(QByteArrayView bytes)
{
    // Opening the converter costs more than decoding a name: one per thread, reset before each use.
    thread_local QStringDecoder dec("GBK");
    dec.resetState();
    return dec.decode(bytes);
}

QString decodeForDisplay(QByteArrayView bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return decode(bytes);
    qsizetype end = 0;
    while (end < bytes.size()) {
        const qsizetype w = charWidth(bytes, end);
        if (end + w > maxBytes)
            break;
        end += w;
    }
    return decode(bytes.first(end)) + QChar(0x2026);
}

QByteArray encode(QStringView text)
{
    thread_local QStringEncoder enc("GBK");
    enc.resetState();
    return enc.encode(text);
}

qsizetype byteLength(QStringView text) { return encode(text).size(); }

bool available()
{
    QStringDecoder dec("GBK");
    QStringEncoder enc("GBK");
    return dec.isValid() && enc.isValid();
}

} // namespace kestrin::gbk
