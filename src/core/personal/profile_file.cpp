#include "core/personal/profile_file.h"

#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kestrin {

namespace {

uchar lowerAscii(uchar c) { return c >= 'A' && c <= 'Z' ? uchar(c - 'A' + 'a') : c; }

// The name in "[name]" (trimmed), or nullopt when the line is no section header.
std::optional<QByteArrayView> headerName(QByteArrayView line)
{
    const QByteArrayView t = trimmedBlanks(line);
    if (!t.startsWith('['))
        return std::nullopt;
    const qsizetype close = gbk::indexOf(t, "]", 1);
    if (close < 0)
        return std::nullopt; // a header cut off is no header
    return trimmedBlanks(t.sliced(1, close - 1));
}

// The key of "key=value" (trimmed), or nullopt.
std::optional<QByteArrayView> keyName(QByteArrayView line)
{
    const qsizetype eq = line.indexOf('='); // "=" is never the second byte of a GBK character
    if (eq < 0 || headerName(line))
        return std::nullopt;
    return trimmedBlanks(line.first(eq));
}

} // namespace

bool sameProfileName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    qsizetype i = 0;
    while (i < a.size()) {
        const qsizetype w = gbk::charWidth(a, i);
        if (w == 1) {
            if (lowerAscii(uchar(a[i])) != lowerAscii(uchar(b[i])))
                return false;
        } else if (a.sliced(i, w) != b.sliced(i, w)) {
            return false;
        }
        i += w;
    }
    return true;
}

bool ProfileFile::load(const QString &path, QString *error)
{
    m_path = path;
    m_lines.clear();
    m_endsWithNewline = true;
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray all = file.readAll();
    qsizetype pos = 0;
    while (pos < all.size()) {
        qsizetype end = pos;
        while (end < all.size() && all[end] != '\r' && all[end] != '\n')
            ++end;
        m_lines.append(all.mid(pos, end - pos));
        if (end < all.size() && all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n')
            ++end;
        pos = end + 1;
    }
    m_endsWithNewline = all.isEmpty() || all.endsWith('\n') || all.endsWith('\r');
    return true;
}

QByteArray ProfileFile::bytes() const
{
    QByteArray out;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        out += m_lines[i];
        if (i + 1 < m_lines.size() || m_endsWithNewline)
            out += "\r\n";
    }
    return out;
}

bool ProfileFile::save(QString *error)
{
    // A documents folder that was never made (common on Linux desktops) is made, not a reason to lose picks.
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    const QByteArray all = bytes();
    // It holds passwords: only its owner may read it. A short write (a full disk, a size limit) is a
    // failure too: committed, it would replace the file with the head of it.
    const bool opened = file.open(QIODevice::WriteOnly);
    const bool written = opened && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         file.write(all) == all.size() && file.flush(); // a buffered write fails only here
    if (!written || !file.commit()) {
        if (error)
            *error = opened && written ? file.errorString()
                     : opened          ? QStringLiteral("写入不完整（%1）").arg(file.errorString())
                                       : file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

int ProfileFile::sectionLine(QByteArrayView section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const auto name = headerName(m_lines[i]);
        if (name && sameProfileName(*name, section))
            return i;
    }
    return -1;
}

int ProfileFile::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && !headerName(m_lines[i]))
        ++i;
    return i;
}

int ProfileFile::keyLine(int header, QByteArrayView key) const
{
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const auto name = keyName(m_lines[i]);
        if (name && sameProfileName(*name, key))
            return i;
    }
    return -1;
}

QByteArray ProfileFile::value(QByteArrayView section, QByteArrayView key) const
{
    const int header = sectionLine(section);
    const int line = header < 0 ? -1 : keyLine(header, key);
    if (line < 0)
        return {};
    const QByteArray &text = m_lines[line];
    return trimmedBlanks(QByteArrayView(text).sliced(text.indexOf('=') + 1)).toByteArray();
}

bool ProfileFile::contains(QByteArrayView section, QByteArrayView key) const
{
    const int header = sectionLine(section);
    return header >= 0 && keyLine(header, key) >= 0;
}

bool ProfileFile::setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    const auto breaksLine = [](QByteArrayView text) { return text.contains('\r') || text.contains('\n'); };
    if (breaksLine(section) || breaksLine(key) || breaksLine(value))
        return false;
    const QByteArray line = key.toByteArray() + '=' + value.toByteArray();
    const int header = sectionLine(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_endsWithNewline)
            m_endsWithNewline = true;
        m_lines.append('[' + section.toByteArray() + ']');
        m_lines.append(line);
        m_endsWithNewline = true;
        return true;
    }
    const int existing = keyLine(header, key);
    if (existing >= 0) {
        m_lines[existing] = line;
        return true;
    }
    // After the section's last line that is not blank.
    int at = sectionEnd(header);
    while (at > header + 1 && trimmedBlanks(m_lines[at - 1]).isEmpty())
        --at;
    m_lines.insert(at, line);
    return true;
}

} // namespace kestrin
