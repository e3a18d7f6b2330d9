#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace kestrin {

// An INI profile kept as its bytes: GBK text, CRLF line ends. Section and key names match without
// regard to ASCII letter case ("]" is found on character boundaries, never as the second byte of a
// GBK character). A value is read and written whole, whatever its length. Lines the program does not
// know (other sections, comments, garbage) are kept as they are; a value changed is changed in its
// own line. Saving replaces the file in one step.
class ProfileFile
{
public:
    // Reads path; a missing file is an empty profile. False (with error) only when it exists and
    // cannot be read.
    bool load(const QString &path, QString *error = nullptr);
    // Writes the whole profile to the path it was loaded from, readable by its owner only.
    bool save(QString *error = nullptr);

    // Empty when the section or key is missing; the first section of that name counts.
    QByteArray value(QByteArrayView section, QByteArrayView key) const;
    bool contains(QByteArrayView section, QByteArrayView key) const;
    // False, and nothing changed, when a name or the value holds a line break: it would end the line
    // and make the rest a line of its own.
    [[nodiscard]] bool setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    const QString &path() const { return m_path; }
    QByteArray bytes() const;

private:
    // Line index of the section header, or -1; of the key inside the section starting after header.
    int sectionLine(QByteArrayView section) const;
    int keyLine(int header, QByteArrayView key) const;
    int sectionEnd(int header) const;

    QString m_path;
    QList<QByteArray> m_lines; // without their line ends
    bool m_endsWithNewline = true;
};

// Equal as INI names: ASCII letters without regard to case, every other character exactly.
bool sameProfileName(QByteArrayView a, QByteArrayView b);

} // namespace kestrin
