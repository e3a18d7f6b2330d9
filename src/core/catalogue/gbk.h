#pragma once
// Server text is GBK bytes. A lead byte 0x81-0xFE followed by a trail byte 0x40-0xFE (not 0x7F) is one
// character, so ASCII delimiters such as "|" or "\" may be the second half of a Chinese character.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kestrin::gbk {

inline constexpr qsizetype kDisplayBytes = 512;

inline bool isLead(uchar b) { return b >= 0x81 && b <= 0xFE; }
inline bool isTrail(uchar b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Byte width of the character starting at text[i].
inline qsizetype charWidth(QByteArrayView text, qsizetype i)
{
    return (isLead(uchar(text[i])) && i + 1 < text.size() && isTrail(uchar(text[i + 1]))) ? 2 : 1;
}

// First occurrence of needle that starts on a character boundary at or after from; -1 if none. from
// must itself be a character start (0, or where a character found before ends): the search steps
// characters from there.
qsizetype indexOf(QByteArrayView text, QByteArrayView needle, qsizetype from = 0);
inline bool contains(QByteArrayView text, QByteArrayView needle) { return indexOf(text, needle) >= 0; }

QString decode(QByteArrayView bytes);
// For showing server text: at most about maxBytes of it (cut on a character boundary, "…" marks the
// cut), so a record of megabytes costs no more to lay out than a normal one.
QString decodeForDisplay(QByteArrayView bytes, qsizetype maxBytes = kDisplayBytes);
QByteArray encode(QStringView text);
// Length of text in GBK bytes: what sizes captions and labels.
qsizetype byteLength(QStringView text);
// True when the platform can convert GBK at all; checked once at start.
bool available();

} // namespace kestrin::gbk
