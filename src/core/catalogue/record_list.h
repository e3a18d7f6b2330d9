#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace kestrin {

// A list of texts cut out of one shared buffer, as a category's records arrive in a single page line.
// Items are views into the buffer (no allocation per record); the buffer lives as long as any copy of
// the list, and an item that is rewritten gets storage of its own. Items are handed out as views:
// copy them (toByteArray) before keeping them beyond the list.
class RecordList
{
public:
    RecordList() = default;
    // Splits buffer[begin, end) at delim with the splitting rules of the whole program: the last part is
    // always kept (so an empty range gives one empty item). delim must not be a possible GBK trail byte.
    static RecordList split(const QByteArray &buffer, qsizetype begin, qsizetype end, char delim);
    static RecordList split(const QByteArray &text, char delim) { return split(text, 0, text.size(), delim); }
    static RecordList fromList(const QList<QByteArray> &items);

    qsizetype size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    QByteArrayView at(qsizetype i) const { return QByteArrayView(m_items.at(i)); }
    QByteArrayView operator[](qsizetype i) const { return at(i); }
    bool contains(qsizetype i) const { return i >= 0 && i < m_items.size(); }

    void set(qsizetype i, const QByteArray &text); // grows with empty items when i is past the end
    void append(QByteArrayView text);
    void appendFrom(const RecordList &other, qsizetype i); // shares other's buffer
    RecordList mid(qsizetype pos, qsizetype len) const;
    QList<QByteArray> toOwnedList() const;

private:
    QList<QByteArray> m_items;       // views into m_buffers or owned texts
    QList<QByteArray> m_buffers;     // keeps the viewed storage alive
    void adoptBuffers(const RecordList &other);
};

} // namespace kestrin
