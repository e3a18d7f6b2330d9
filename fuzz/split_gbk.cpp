// splitString, splitLines, parseSignedInt and the GBK helpers on any bytes. Input: one byte choosing
// the delimiter (and a cut for decodeForDisplay), then the text.
#include "fuzz_support.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"

#include <charconv>
#include <climits>

using namespace kestrin;

namespace {

// The delimiters the program splits server text and its own files at, and a few longer ones.
const QByteArrayView kDelimiters[] = {",", "|", "\\", "]", "=", "\t", ",,", "\r\n", "|,", "\xA1\xCC", "\x81", "]\x5D"};

// The parts by the reference search: every match on a character start at or after the end of the
// last one.
QList<QByteArray> referenceSplit(QByteArrayView text, QByteArrayView delimiter)
{
    QList<QByteArray> parts;
    qsizetype pos = 0;
    for (const qsizetype s : fuzz::charStarts(text)) {
        if (s >= pos && text.sliced(s).startsWith(delimiter)) {
            parts.append(text.sliced(pos, s - pos).toByteArray());
            pos = s + delimiter.size();
        }
    }
    parts.append(text.sliced(pos).toByteArray());
    return parts;
}

void checkSplit(QByteArrayView text, QByteArrayView delimiter)
{
    const QList<QByteArray> parts = splitString(text, delimiter);
    FUZZ_CHECK(!parts.isEmpty());
    FUZZ_CHECK(parts.join(delimiter) == text);
    FUZZ_CHECK(parts == referenceSplit(text, delimiter));
    // A byte below 0x40 is never the second half of a character: no lead byte before it hides it.
    if (delimiter.size() == 1 && uchar(delimiter[0]) < 0x40)
        FUZZ_CHECK(parts.size() == text.count(delimiter[0]) + 1);
}

void checkIndexOf(QByteArrayView text, QByteArrayView needle)
{
    const QList<qsizetype> starts = fuzz::charStarts(text);
    // From the first few character starts and the end: callers only ever pass boundaries.
    for (qsizetype k = 0; k <= starts.size() && k < 4; ++k) {
        const qsizetype from = k < starts.size() ? starts[k] : text.size();
        FUZZ_CHECK(gbk::indexOf(text, needle, from) == fuzz::referenceIndexOf(text, needle, from));
    }
    FUZZ_CHECK(gbk::contains(text, needle) == (fuzz::referenceIndexOf(text, needle, 0) >= 0));
}

void checkLines(QByteArrayView text, int maxLines)
{
    const QList<QByteArray> lines = splitLines(text, maxLines);
    FUZZ_CHECK(lines.size() <= maxLines);
    QByteArray all;
    for (const QByteArray &line : lines) {
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'));
        all += line;
    }
    // Every byte that is not a line break lands in exactly one line, in order.
    QByteArray expected = text.toByteArray();
    expected.replace('\r', QByteArray()).replace('\n', QByteArray());
    if (lines.size() < maxLines)
        FUZZ_CHECK(all == expected);
    else
        FUZZ_CHECK(expected.startsWith(all));
}

void checkInt(QByteArrayView text)
{
    bool ok = false;
    const int value = parseSignedInt(text, &ok);
    // Reference: an optional sign, then only digits, and a magnitude an int holds.
    qsizetype i = text.startsWith('-') || text.startsWith('+') ? 1 : 0;
    bool digits = i < text.size();
    for (qsizetype j = i; j < text.size(); ++j)
        digits = digits && text[j] >= '0' && text[j] <= '9';
    long long magnitude = 0;
    bool fits = digits;
    if (digits) {
        const auto r = std::from_chars(text.data() + i, text.data() + text.size(), magnitude);
        fits = r.ec == std::errc() && magnitude <= INT_MAX;
    }
    FUZZ_CHECK(ok == fits);
    if (ok)
        FUZZ_CHECK(value == (text.startsWith('-') ? -magnitude : magnitude));
}

void checkDisplay(QByteArrayView text, qsizetype maxBytes)
{
    const QString shown = gbk::decodeForDisplay(text, maxBytes);
    if (text.size() <= maxBytes) {
        FUZZ_CHECK(shown == gbk::decode(text));
        return;
    }
    // Cut at the last character start within maxBytes (the characters before it fit), marked "…".
    qsizetype end = 0;
    for (const qsizetype s : fuzz::charStarts(text)) {
        if (s > maxBytes)
            break;
        end = s;
    }
    FUZZ_CHECK(end <= maxBytes && end >= maxBytes - 1);
    FUZZ_CHECK(shown.endsWith(QChar(0x2026)));
    FUZZ_CHECK(shown.chopped(1) == gbk::decode(text.first(end)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uchar choice = data[0];
    const QByteArrayView text = fuzz::bytesOf(data + 1, size - 1);
    const QByteArrayView delimiter = kDelimiters[choice % std::size(kDelimiters)];

    checkSplit(text, delimiter);
    checkSplit(text, ",");
    checkIndexOf(text, delimiter);
    // A needle taken from the text itself: its head, as typed searches often are.
    checkIndexOf(text, text.first(std::min<qsizetype>(text.size(), 1 + choice % 4)));
    checkLines(text, 1 + choice % 5);
    checkLines(text, INT_MAX);
    if (text.size() <= 24)
        checkInt(text);
    for (const QByteArray &field : splitString(text, ","))
        if (field.size() <= 24)
            checkInt(trimmedBlanks(field));
    checkDisplay(text, choice % 64);
    checkDisplay(text, gbk::kDisplayBytes);

    const QByteArrayView trimmed = trimmedBlanks(text);
    FUZZ_CHECK(trimmed.isEmpty() || (uchar(trimmed.front()) > 0x20 && uchar(trimmed.front()) != 0x7F));
    FUZZ_CHECK(trimmed.isEmpty() || (uchar(trimmed.back()) > 0x20 && uchar(trimmed.back()) != 0x7F));
    return 0;
}
