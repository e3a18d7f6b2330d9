#include "core/catalogue/records.h"

#include "core/catalogue/gbk.h"

#include <limits>

namespace kestrin {

QList<QByteArray> splitString(QByteArrayView text, QByteArrayView delimiter)
{
    QList<QByteArray> parts;
    if (delimiter.isEmpty()) {
        parts.append(text.toByteArray());
        return parts;
    }
    qsizetype pos = 0;
    qsizetype from = 0; // where the search goes on: the first character start at or after pos
    while (true) {
        const qsizetype hit = gbk::indexOf(text, delimiter, from);
        if (hit < 0)
            break;
        parts.append(text.sliced(pos, hit - pos).toByteArray());
        pos = hit + delimiter.size();
        // A delimiter ending in a lead byte pairs it with the next byte: step over the text's own characters.
        for (from = hit; from < pos;)
            from += gbk::charWidth(text, from);
    }
    parts.append(text.sliced(pos).toByteArray());
    return parts;
}

QList<QByteArray> splitLines(QByteArrayView body, int maxLines)
{
    QList<QByteArray> lines;
    qsizetype pos = 0;
    const qsizetype n = body.size();
    while (pos < n && lines.size() < maxLines) {
        qsizetype end = pos;
        while (end < n && body[end] != '\r' && body[end] != '\n')
            ++end;
        lines.append(body.sliced(pos, end - pos).toByteArray());
        if (end < n && body[end] == '\r' && end + 1 < n && body[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    return lines;
}

PictureRecord PictureRecord::parse(QByteArrayView record)
{
    PictureRecord r;
    const qsizetype tab = record.indexOf('\t');
    if (tab < 0) {
        r.id = record;
        r.caption = true;
        return r;
    }
    r.id = record.first(tab);
    r.rest = record.sliced(tab + 1);
    // One pass over the characters finds the first three bars.
    qsizetype bars[3] = {-1, -1, -1};
    int found = 0;
    const QByteArrayView rest = r.rest;
    for (qsizetype i = 0; i < rest.size() && found < 3; i += gbk::charWidth(rest, i)) {
        if (rest[i] == '|')
            bars[found++] = i;
    }
    if (found == 0) {
        r.caption = true;
        return r;
    }
    r.fileName = rest.first(bars[0]);
    if (found == 1) {
        r.chineseName = rest.sliced(bars[0] + 1);
        return r;
    }
    r.chineseName = rest.sliced(bars[0] + 1, bars[1] - bars[0] - 1);
    r.time = found == 2 ? rest.sliced(bars[1] + 1) : rest.sliced(bars[1] + 1, bars[2] - bars[1] - 1);
    return r;
}

int PictureRecord::idNumber() const
{
    bool ok = false;
    const int v = parseSignedInt(id, &ok);
    return ok && v >= 0 ? v : -1;
}

QByteArray displayName(QByteArrayView fileName, QByteArrayView chineseName)
{
    QByteArray out;
    out.reserve(fileName.size() + 2 + chineseName.size());
    out.append(fileName).append("  ").append(chineseName);
    return out;
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    const auto blank = [](char c) { return uchar(c) <= 0x20 || uchar(c) == 0x7F; };
    qsizetype begin = 0, end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

int parseSignedInt(QByteArrayView text, bool *ok)
{
    *ok = false;
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return 0;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<int>::max())
            return 0;
    }
    *ok = true;
    return int(negative ? -value : value);
}

} // namespace kestrin
