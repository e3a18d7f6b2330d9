#include "core/catalogue/record_list.h"

#include <cstring>

namespace kestrin {

RecordList RecordList::split(const QByteArray &buffer, qsizetype begin, qsizetype end, char delim)
{
    RecordList list;
    list.m_buffers.append(buffer);
    const char *base = buffer.constData();
    qsizetype count = 1;
    for (const char *p = base + begin; (p = static_cast<const char *>(std::memchr(p, delim, size_t(base + end - p))));
         ++p)
        ++count;
    list.m_items.reserve(count);
    qsizetype start = begin;
    while (true) {
        const void *hit = std::memchr(base + start, delim, size_t(end - start));
        const qsizetype stop = hit ? static_cast<const char *>(hit) - base : end;
        list.m_items.append(QByteArray::fromRawData(base + start, stop - start));
        if (!hit)
            break;
        start = stop + 1;
    }
    return list;
}

RecordList RecordList::fromList(const QList<QByteArray> &items)
{
    RecordList list;
    list.m_items = items;
    return list;
}

void RecordList::set(qsizetype i, const QByteArray &text)
{
    if (i < 0)
        return;
    if (i >= m_items.size())
        m_items.resize(i + 1);
    // Storage of its own: a text that is only a view of someone else's bytes is copied, one that
    // already owns its bytes is shared.
    m_items[i] = text.isDetached() ? text : QByteArray(text.constData(), text.size());
}

void RecordList::append(QByteArrayView text) { m_items.append(text.toByteArray()); }

void RecordList::adoptBuffers(const RecordList &other)
{
    for (const QByteArray &b : other.m_buffers) {
        bool known = false;
        for (const QByteArray &mine : m_buffers)
            known = known || mine.constData() == b.constData();
        if (!known)
            m_buffers.append(b);
    }
}

void RecordList::appendFrom(const RecordList &other, qsizetype i)
{
    adoptBuffers(other);
    m_items.append(other.m_items.at(i));
}

RecordList RecordList::mid(qsizetype pos, qsizetype len) const
{
    RecordList out;
    out.m_buffers = m_buffers;
    out.m_items = m_items.mid(pos, len);
    return out;
}

QList<QByteArray> RecordList::toOwnedList() const
{
    QList<QByteArray> out;
    out.reserve(m_items.size());
    for (const QByteArray &item : m_items)
        out.append(QByteArray(item.constData(), item.size()));
    return out;
}

} // namespace kestrin
