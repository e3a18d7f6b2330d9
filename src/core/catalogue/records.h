#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace kestrin {

// The colours every view paints a picture in: blue not yet taken, red taken (or under the pointer),
// black withdrawn; the selection editor paints caption rows grey. Views map them to their palette.
enum class PictureTone { Blue, Red, Black, Grey };

// The mark of a taken (or ticked) picture: "√" in GBK.
inline constexpr char kMark[] = "\xA1\xCC";
inline QByteArray markText()
{
    static const QByteArray mark(kMark); // shared: rows by the hundred thousand carry it
    return mark;
}

// Splits text at every occurrence of delimiter (which may be longer than one byte); the part after the
// last delimiter is always kept, so the result is never empty. Delimiters are only found where a
// character starts, never in the second byte of a GBK character. Linear in the text length.
QList<QByteArray> splitString(QByteArrayView text, QByteArrayView delimiter);

// Lines of a server text file: a line ends at CR, LF or CR LF; a final line break adds no empty line.
// At most maxLines lines are returned (the rest is not looked at).
QList<QByteArray> splitLines(QByteArrayView body, int maxLines);

// One picture record: id, TAB, then file name "|" Chinese name "|" time. A record whose text after
// the TAB has no "|" is a caption row.
struct PictureRecord
{
    QByteArrayView id;
    QByteArrayView rest;      // everything after the TAB
    bool caption = false;
    QByteArrayView fileName;
    QByteArrayView chineseName;
    QByteArrayView time;

    static PictureRecord parse(QByteArrayView record);
    int idNumber() const; // -1 when the id is not a decimal number
    bool withdrawn() const { return time == QByteArrayView("-1"); }
};

// "file name" + two blanks + "Chinese name": the caption of every row that stands for a picture.
QByteArray displayName(QByteArrayView fileName, QByteArrayView chineseName);

// text without blanks and control characters at either end. A GBK trail byte is never one of those,
// so no character is cut.
QByteArrayView trimmedBlanks(QByteArrayView text);

// Decimal integer with optional sign, no blanks. ok is false for anything else.
int parseSignedInt(QByteArrayView text, bool *ok);

} // namespace kestrin
