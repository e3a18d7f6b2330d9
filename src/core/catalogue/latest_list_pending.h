#pragma once
// The bookkeeping of an open batch of LatestListModel: rows taken out are marked, rows put in wait
// aside, and every row moves once when the batch ends. Only latest_list_model.cpp includes this.
#include "core/catalogue/latest_list_model.h"
#include "core/catalogue/records.h"

#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace kestrin {

namespace pending_rows {

// A tag read once. Tags are short decimal numbers: up to seven bytes are packed with the length,
// which is the tag itself, so slots compare it without reading any tag again. Longer tags pack
// their hash and are compared byte by byte.
struct TagKey
{
    quint64 packed;
    quint32 hash;
    bool whole; // packed is the tag
};

TagKey tagKey(QByteArrayView tag)
{
    const auto load = [](const char *p, int bytes) {
        quint64 w = 0;
        std::memcpy(&w, p, size_t(bytes));
        return w;
    };
    const char *p = tag.data();
    const qsizetype n = tag.size();
    if (n <= 7) {
        quint64 w = 0;
        if (n >= 4)
            w = load(p, 4) | load(p + n - 4, 4) << (8 * (n - 4));
        else if (n > 0)
            w = quint64(uchar(p[0])) | quint64(uchar(p[n / 2])) << (8 * (n / 2)) | quint64(uchar(p[n - 1])) << (8 * (n - 1));
        w |= quint64(n) << 56;
        const quint64 h = w * 0x9E3779B97F4A7C15ull;
        return {w, quint32(h >> 32), true};
    }
    quint64 h = 0x9E3779B97F4A7C15ull ^ quint64(n);
    for (qsizetype i = 0; i + 8 <= n; i += 8) {
        h = (h ^ load(p + i, 8)) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    h = (h ^ load(p + n - 8, 8)) * 0xC4CEB9FE1A85EC53ull;
    return {quint64(0xFF) << 56 | (h >> 8), quint32(h >> 32), false};
}

// Tags to ints by open addressing. A slot holds the tag's key and the int plus one (0: a free
// slot). Long tags stay with the caller: tagOf(value) gives the tag a value stands for.
class TagSlots
{
public:
    // Room for count tags before growing; at most three slots in four are taken.
    explicit TagSlots(size_t count = 0)
    {
        size_t size = 16;
        while (3 * size < 4 * count)
            size *= 2;
        m_slots.assign(size, {});
    }
    void prefetch(const TagKey &key) const { __builtin_prefetch(&m_slots[home(key.hash)], 1); }

    // The slot holding tag, or -1.
    template <typename TagOf>
    qsizetype find(const TagKey &key, QByteArrayView tag, TagOf tagOf) const
    {
        for (size_t s = home(key.hash);; s = next(s)) {
            const Slot &slot = m_slots[s];
            if (slot.value == 0)
                return -1;
            if (matches(slot, key, tag, tagOf))
                return qsizetype(s);
        }
    }
    // The slot holding tag; a new one holding value when there is none.
    template <typename TagOf>
    qsizetype findOrAdd(const TagKey &key, QByteArrayView tag, qint32 value, TagOf tagOf, bool *added)
    {
        if (4 * (m_used + 1) > 3 * m_slots.size())
            grow();
        for (size_t s = home(key.hash);; s = next(s)) {
            Slot &slot = m_slots[s];
            if (slot.value != 0 && !matches(slot, key, tag, tagOf))
                continue;
            *added = slot.value == 0;
            if (*added) {
                slot = {key.packed, key.hash, quint32(value + 1)};
                ++m_used;
            }
            return qsizetype(s);
        }
    }
    qint32 value(qsizetype s) const { return qint32(m_slots[size_t(s)].value) - 1; }
    void setValue(qsizetype s, qint32 value) { m_slots[size_t(s)].value = quint32(value + 1); }
    // Frees a slot, moving back the ones after it that could stand nearer their home.
    void erase(qsizetype at)
    {
        const size_t mask = m_slots.size() - 1;
        size_t hole = size_t(at);
        for (size_t s = next(hole); m_slots[s].value != 0; s = next(s)) {
            if (((s - home(m_slots[s].hash)) & mask) >= ((s - hole) & mask)) {
                m_slots[hole] = m_slots[s];
                hole = s;
            }
        }
        m_slots[hole] = {};
        --m_used;
    }

private:
    struct Slot
    {
        quint64 packed = 0;
        quint32 hash = 0;
        quint32 value = 0;
    };
    template <typename TagOf>
    static bool matches(const Slot &slot, const TagKey &key, QByteArrayView tag, TagOf tagOf)
    {
        return slot.hash == key.hash && slot.packed == key.packed &&
               (key.whole || tagOf(qint32(slot.value) - 1) == tag);
    }
    size_t home(quint32 hash) const { return hash & (m_slots.size() - 1); }
    size_t next(size_t s) const { return (s + 1) & (m_slots.size() - 1); }
    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (const Slot &slot : old) {
            if (slot.value == 0)
                continue;
            size_t s = home(slot.hash);
            while (m_slots[s].value != 0)
                s = next(s);
            m_slots[s] = slot;
        }
    }

    std::vector<Slot> m_slots;
    size_t m_used = 0;
};

// Stable sort that merges the runs already in order: n - 1 comparisons for sorted input, as rows put
// in with one time are.
template <typename Less>
void naturalSort(std::vector<qsizetype> &items, Less less)
{
    std::vector<size_t> runs{0}; // where each run starts, then the end
    for (size_t i = 1; i < items.size(); ++i)
        if (less(items[i], items[i - 1]))
            runs.push_back(i);
    runs.push_back(items.size());
    if (runs.size() <= 2)
        return;
    std::vector<qsizetype> merged(items.size());
    while (runs.size() > 2) {
        std::vector<size_t> next{0};
        for (size_t r = 0; r + 1 < runs.size(); r += 2) {
            const size_t end = r + 2 < runs.size() ? runs[r + 2] : runs[r + 1];
            std::merge(items.begin() + runs[r], items.begin() + runs[r + 1], items.begin() + runs[r + 1],
                       items.begin() + end, merged.begin() + runs[r], less);
            next.push_back(end);
        }
        items.swap(merged);
        runs.swap(next);
    }
}

} // namespace pending_rows

using namespace pending_rows;

// The changes of an open batch. The rows as the batch found them ("old" rows) stay where they are,
// those taken out are only marked; rows put in wait aside with what is needed to know their place.
// settle() then moves every row once to where the one-by-one changes would have left it.
//
// Where a row put in goes: first row it does not go after. Top (no order): the top. Merge (the rows
// stand in the order): the list stays sorted, a new row standing before the equal rows already there;
// so the result is the merge of the sorted new rows into the surviving old ones. Gaps (an order the
// rows do not stand in): each new row is placed when it comes, before old row "unit" (count: the end)
// - the first unit holding a row it does not go after, found in a tree of each unit's greatest row.
// A unit's new rows stay in order among themselves, so they too are sorted at the end.
struct LatestListModel::Pending
{
    enum class Mode { Top, Merge, Gaps };
    // Rows put in, by id (the order they came): in blocks, so that growing moves none of them and
    // the oldest can be let go (Top trims them).
    struct AddedRows
    {
        static constexpr qsizetype kBlock = 512;
        std::deque<std::unique_ptr<LatestRow[]>> blocks;
        std::unique_ptr<LatestRow[]> spare; // the last block let go, taken again rather than asked anew
        qsizetype base = 0;  // id of the first block's first row
        qsizetype first = 0; // first id kept
        qsizetype end = 0;   // id of the next row

        LatestRow &operator[](qsizetype id)
        {
            const qsizetype k = id - base;
            return blocks[size_t(k / kBlock)][k % kBlock];
        }
        qsizetype push(const LatestRow &row)
        {
            if (end - base == qsizetype(blocks.size()) * kBlock)
                blocks.push_back(spare ? std::move(spare) : std::make_unique<LatestRow[]>(size_t(kBlock)));
            (*this)[end] = row;
            return end++;
        }
        void popFront()
        {
            (*this)[first] = LatestRow();
            if (++first - base == kBlock) {
                spare = std::move(blocks.front());
                blocks.pop_front();
                base += kBlock;
            }
        }
    };

    const LatestListModel &model;
    QList<LatestRow> &rows; // the old rows, untouched until settled
    const Mode mode;
    const qsizetype count;
    std::vector<bool> oldGone;
    qsizetype oldDead = 0;
    qsizetype oldEnd; // Top: past the last old row that may still be there

    AddedRows added;
    std::vector<bool> addedGone;      // by id
    std::vector<qsizetype> addedUnit; // by id, Gaps only: the old row it stands before
    qsizetype addedLive = 0;
    // The rows put in with one tag, as one int: the row's id while it is the only one (nearly
    // always), else -2 - h for heap h (the first in place on top); -1: none. Unexpected tags find
    // theirs in addedSlots; a heap let go is taken again.
    TagSlots addedSlots;
    std::deque<QVarLengthArray<qsizetype, 4>> heaps;
    std::vector<qint32> freeHeaps;

    // Old rows by tag, made on the first removal: the first old row with the tag still there (as far
    // as known); rows with the same tag chained in row order.
    std::optional<TagSlots> oldSlots;
    std::vector<qint32> next;
    // The tags the batch said rows would be taken out by, each with the first old row carrying it
    // (still there, as far as known) and the next ones chained.
    std::optional<TagSlots> expectedSlots;
    qint32 expectedCount = 0;
    QHash<qint32, QByteArray> expectedLong; // tags too long to stand in their slot
    std::vector<qint32> expectedFirst;
    QHash<qint32, qint32> expectedNext;
    std::vector<qint32> expectedAdded; // the rows put in with the tag, as above

    // Gaps: a tree over the units (leaves) of the unit holding the greatest row; each unit's new
    // rows in a heap with the greatest on top.
    qsizetype leaves = 0;
    std::vector<qsizetype> tree;
    QHash<qsizetype, std::vector<qsizetype>> gaps;

    Pending(const LatestListModel &m, Mode mode)
        : model(m), rows(m.m_rows), mode(mode), count(m.m_rows.size()), oldGone(size_t(count)), oldEnd(count)
    {
        if (mode == Mode::Gaps)
            buildTree();
    }

    qsizetype live() const { return count - oldDead + addedLive; }
    const LatestRow &old(qsizetype i) const { return rows.at(i); }
    LatestRow &at(qsizetype id) { return added[id]; }
    bool gone(qsizetype id) const { return addedGone[size_t(id)]; }
    qsizetype unitOf(qsizetype id) const { return mode == Mode::Gaps ? addedUnit[size_t(id)] : 0; }
    bool goesBefore(const LatestRow &a, const LatestRow &b) const { return model.m_order(a, b); }

    // Whether new row a stands before new row b.
    bool placedBefore(qsizetype a, qsizetype b)
    {
        if (mode == Mode::Top)
            return a > b;
        if (mode == Mode::Gaps && unitOf(a) != unitOf(b))
            return unitOf(a) < unitOf(b);
        if (goesBefore(at(a), at(b)))
            return true;
        return !goesBefore(at(b), at(a)) && a > b;
    }
    // Whether new row a stands before old row o.
    bool beforeOld(qsizetype a, qsizetype o)
    {
        switch (mode) {
        case Mode::Top: return true;
        case Mode::Merge: return !goesBefore(old(o), at(a));
        case Mode::Gaps: return unitOf(a) <= o;
        }
        return true;
    }
    auto heapOrder()
    {
        return [this](qsizetype a, qsizetype b) { return placedBefore(b, a); };
    }
    auto greatestOnTop()
    {
        return [this](qsizetype a, qsizetype b) { return goesBefore(at(a), at(b)); };
    }

    auto addedTagOf()
    {
        return [this](qint32 v) { return QByteArrayView(at(firstAdded(v)).tag); };
    }

    auto expectedTagOf()
    {
        return [this](qint32 e) { return QByteArrayView(*expectedLong.constFind(e)); };
    }

    qsizetype firstAdded(qint32 v) const { return v >= -1 ? v : heaps[size_t(-2 - v)].front(); }
    qint32 withAdded(qint32 v, qsizetype id)
    {
        if (v == -1)
            return qint32(id);
        if (v >= 0) {
            const qint32 h = freeHeaps.empty() ? qint32(heaps.size()) : freeHeaps.back();
            if (freeHeaps.empty())
                heaps.emplace_back();
            else
                freeHeaps.pop_back();
            heaps[size_t(h)] = {v};
            v = -2 - h;
        }
        auto &heap = heaps[size_t(-2 - v)];
        heap.append(id);
        std::push_heap(heap.begin(), heap.end(), heapOrder());
        return v;
    }
    qint32 withoutAdded(qint32 v, qsizetype id)
    {
        if (v >= 0)
            return -1;
        auto &heap = heaps[size_t(-2 - v)];
        if (heap.front() == id) {
            std::pop_heap(heap.begin(), heap.end(), heapOrder());
            heap.removeLast();
        } else {
            heap.remove(std::find(heap.begin(), heap.end(), id) - heap.begin());
            std::make_heap(heap.begin(), heap.end(), heapOrder());
        }
        if (heap.size() > 1)
            return v;
        freeHeaps.push_back(-2 - v);
        return qint32(heap.front());
    }

    // A tag looked up once: its expected entry, else its slot among the rows put in; its rows put in.
    struct Found
    {
        TagKey key;
        qint32 expected = -1;
        qsizetype slot = -1;
        qint32 added = -1;
    };
    Found look(QByteArrayView tag)
    {
        Found f{tagKey(tag)};
        if (expectedSlots) {
            const qsizetype s = expectedSlots->find(f.key, tag, expectedTagOf());
            if (s >= 0) {
                f.expected = expectedSlots->value(s);
                f.added = expectedAdded[size_t(f.expected)];
                return f;
            }
        }
        f.slot = addedSlots.find(f.key, tag, addedTagOf());
        f.added = f.slot < 0 ? -1 : addedSlots.value(f.slot);
        return f;
    }

    bool remove(QByteArrayView tag)
    {
        const Found f = look(tag);
        const qsizetype o = f.expected >= 0 ? firstExpected(f.expected) : firstOld(tag, f.key);
        const qsizetype a = firstAdded(f.added);
        if (o < 0 && a < 0)
            return false;
        if (a >= 0 && (o < 0 || beforeOld(a, o)))
            dropAdded(a, f);
        else
            dropOld(o);
        return true;
    }

    void insert(const LatestRow &row)
    {
        const qsizetype unit = mode == Mode::Gaps ? place(row) : 0;
        Found f = look(row.tag);
        const qsizetype id = added.push(row);
        addedGone.push_back(false);
        if (mode == Mode::Gaps)
            addedUnit.push_back(unit);
        ++addedLive;
        const qint32 now = withAdded(f.added, id);
        if (f.expected >= 0) {
            expectedAdded[size_t(f.expected)] = now;
        } else if (f.slot >= 0) {
            addedSlots.setValue(f.slot, now);
        } else {
            bool fresh = false;
            addedSlots.findOrAdd(f.key, row.tag, now, addedTagOf(), &fresh);
        }
        if (mode == Mode::Gaps) {
            std::vector<qsizetype> &gap = gaps[unit];
            gap.push_back(id);
            std::push_heap(gap.begin(), gap.end(), greatestOnTop());
            // Only a row past every row raises its unit's greatest row: the last unit's.
            if (unit == count)
                update(unit);
        }
    }

    // Top only: the old rows are the last ones, then the oldest rows put in.
    void trim(qsizetype keep)
    {
        while (live() > keep) {
            while (oldEnd > 0 && oldGone[size_t(oldEnd - 1)])
                --oldEnd;
            if (oldEnd > 0)
                dropOld(oldEnd - 1);
            else
                dropAdded(added.first);
        }
    }

    void dropOld(qsizetype o)
    {
        oldGone[size_t(o)] = true;
        ++oldDead;
        if (mode == Mode::Gaps)
            update(o);
    }

    void dropAdded(qsizetype id) { dropAdded(id, look(at(id).tag)); }
    // f: the row's tag looked up.
    void dropAdded(qsizetype id, const Found &f)
    {
        addedGone[size_t(id)] = true;
        --addedLive;
        const qint32 now = withoutAdded(f.added, id);
        if (f.expected >= 0)
            expectedAdded[size_t(f.expected)] = now;
        else if (now == -1)
            addedSlots.erase(f.slot);
        else
            addedSlots.setValue(f.slot, now);
        if (mode == Mode::Gaps && (unitOf(id) == count || oldGone[size_t(unitOf(id))]))
            update(unitOf(id));
        // Top: rows put in go out oldest first, by trims; nothing refers to them any more.
        while (mode == Mode::Top && added.first < added.end && gone(added.first))
            added.popFront();
    }

    // One pass over the old rows finds those carrying the tags; a list shorter than the tags is
    // cheaper to index whole.
    void expect(const QList<QByteArray> &tags)
    {
        if (count <= tags.size() || added.end > 0)
            return;
        TagSlots &table = expectedSlots.emplace(size_t(tags.size()));
        expectedCount = 0;
        expectedLong.clear();
        expectedNext.clear();
        for (const QByteArray &tag : tags) {
            const TagKey key = tagKey(tag);
            bool fresh = false;
            table.findOrAdd(key, tag, expectedCount, expectedTagOf(), &fresh);
            if (fresh && !key.whole)
                expectedLong.insert(expectedCount, tag);
            expectedCount += fresh ? 1 : 0;
        }
        expectedFirst.assign(size_t(expectedCount), -1);
        expectedAdded.assign(size_t(expectedCount), -1);
        std::vector<qint32> last(size_t(expectedCount), -1);
        // Rows sorted by a column lie in memory in another order: their tags are asked for well
        // ahead, and hashed a little ahead so that the slots they need are on their way too.
        constexpr qsizetype ahead = 16;
        TagKey keys[ahead];
        for (qsizetype i = 0; i < count; ++i) {
            if (i % ahead == 0) {
                for (qsizetype k = 0; k < ahead && i + k < count; ++k) {
                    if (i + k + 4 * ahead < count)
                        __builtin_prefetch(old(i + k + 4 * ahead).tag.constData());
                    keys[k] = tagKey(old(i + k).tag);
                    table.prefetch(keys[k]);
                }
            }
            const qsizetype slot = table.find(keys[i % ahead], old(i).tag, expectedTagOf());
            if (slot < 0)
                continue;
            const qint32 e = table.value(slot);
            if (expectedFirst[size_t(e)] < 0)
                expectedFirst[size_t(e)] = qint32(i);
            else
                expectedNext.insert(last[size_t(e)], qint32(i));
            last[size_t(e)] = qint32(i);
        }
    }

    // The first old row still there with this tag, or -1.
    qsizetype firstExpected(qint32 e)
    {
        qint32 &r = expectedFirst[size_t(e)];
        while (r >= 0 && oldGone[size_t(r)])
            r = expectedNext.value(r, -1); // rows gone never come back
        return r;
    }
    qsizetype firstOld(QByteArrayView tag, const TagKey &key)
    {
        if (!oldSlots)
            index();
        const auto tagOf = [this](qint32 row) { return QByteArrayView(old(row).tag); };
        const qsizetype slot = oldSlots->find(key, tag, tagOf);
        if (slot < 0)
            return -1;
        qint32 r = oldSlots->value(slot);
        while (oldGone[size_t(r)] && !next.empty() && next[size_t(r)] >= 0)
            r = next[size_t(r)];
        oldSlots->setValue(slot, r); // rows gone never come back
        return oldGone[size_t(r)] ? -1 : r;
    }

    void index()
    {
        oldSlots.emplace(size_t(count));
        const auto tagOf = [this](qint32 row) { return QByteArrayView(old(row).tag); };
        // Hashes a little ahead, so that the slots they need are on their way from memory.
        constexpr qsizetype ahead = 16;
        TagKey keys[ahead];
        for (qsizetype i = count - 1; i >= 0; --i) {
            if ((count - 1 - i) % ahead == 0) {
                for (qsizetype k = 0; k < ahead && i - k >= 0; ++k) {
                    keys[k] = tagKey(old(i - k).tag);
                    oldSlots->prefetch(keys[k]);
                }
            }
            const QByteArrayView tag = old(i).tag;
            bool fresh = false;
            const qsizetype slot = oldSlots->findOrAdd(keys[(count - 1 - i) % ahead], tag, qint32(i), tagOf, &fresh);
            if (fresh)
                continue;
            if (next.empty())
                next.assign(size_t(count), -1);
            next[size_t(i)] = oldSlots->value(slot);
            oldSlots->setValue(slot, qint32(i));
        }
    }

    // Gaps.
    // The greatest row of a unit: its old row while there (its new rows never go after it), else
    // the greatest of its new rows; nullptr for an empty unit.
    const LatestRow *greatest(qsizetype unit)
    {
        if (unit < count && !oldGone[size_t(unit)])
            return &old(unit);
        const auto it = gaps.find(unit);
        if (it == gaps.end())
            return nullptr;
        std::vector<qsizetype> &gap = *it;
        while (!gap.empty() && gone(gap.front())) {
            std::pop_heap(gap.begin(), gap.end(), greatestOnTop());
            gap.pop_back();
        }
        if (!gap.empty())
            return &at(gap.front());
        gaps.erase(it);
        return nullptr;
    }
    qsizetype pick(qsizetype a, qsizetype b)
    {
        if (a < 0 || b < 0)
            return a < 0 ? b : a;
        return goesBefore(*greatest(a), *greatest(b)) ? b : a;
    }
    void buildTree()
    {
        leaves = 1;
        while (leaves < count + 1)
            leaves *= 2;
        tree.assign(size_t(2 * leaves), -1);
        for (qsizetype u = 0; u < count; ++u)
            tree[size_t(leaves + u)] = u;
        for (qsizetype node = leaves - 1; node >= 1; --node)
            tree[size_t(node)] = pick(tree[size_t(2 * node)], tree[size_t(2 * node + 1)]);
    }
    void update(qsizetype unit)
    {
        qsizetype node = leaves + unit;
        tree[size_t(node)] = greatest(unit) ? unit : -1;
        for (node /= 2; node >= 1; node /= 2)
            tree[size_t(node)] = pick(tree[size_t(2 * node)], tree[size_t(2 * node + 1)]);
    }
    // The first unit holding a row that row does not go after; count when there is none.
    qsizetype place(const LatestRow &row)
    {
        if (tree[1] < 0 || goesBefore(*greatest(tree[1]), row))
            return count;
        qsizetype node = 1;
        while (node < leaves) {
            const qsizetype left = tree[size_t(2 * node)];
            node = left >= 0 && !goesBefore(*greatest(left), row) ? 2 * node : 2 * node + 1;
        }
        return node - leaves;
    }

    void settle()
    {
        if (oldDead == 0 && addedLive == 0)
            return;
        // The rows put in and still there, in their final order, each with the old row it stands before.
        std::vector<qsizetype> ids;
        ids.reserve(size_t(addedLive));
        for (qsizetype id = added.end - 1; id >= added.first; --id)
            if (!gone(id))
                ids.push_back(id);
        std::vector<qsizetype> units(ids.size(), 0);
        if (mode == Mode::Merge) {
            naturalSort(ids, [this](qsizetype a, qsizetype b) { return goesBefore(at(a), at(b)); });
            // Each before the first old row it does not go after; the old rows (gone or not) are sorted.
            qsizetype lo = 0;
            for (size_t j = 0; j < ids.size(); ++j) {
                const LatestRow &row = at(ids[j]);
                if (lo < count && goesBefore(old(lo), row)) {
                    qsizetype below = lo, step = 1;
                    while (below + step < count && goesBefore(old(below + step), row)) {
                        below += step;
                        step *= 2;
                    }
                    qsizetype above = std::min(below + step, count);
                    while (above - below > 1) {
                        const qsizetype mid = below + (above - below) / 2;
                        (goesBefore(old(mid), row) ? below : above) = mid;
                    }
                    lo = above;
                }
                units[j] = lo;
            }
        } else if (mode == Mode::Gaps) {
            naturalSort(ids, [this](qsizetype a, qsizetype b) {
                return unitOf(a) != unitOf(b) ? unitOf(a) < unitOf(b) : goesBefore(at(a), at(b));
            });
            for (size_t j = 0; j < ids.size(); ++j)
                units[j] = unitOf(ids[j]);
        }
        rearrange(ids, units);
    }

    // Moves every row once to its final place. An old row p moves by the new rows before it less the
    // old rows gone before it: those moving down go first from the end, those moving up from the
    // start, so none is overwritten before it moved; the new rows then fill the places left.
    void rearrange(const std::vector<qsizetype> &ids, const std::vector<qsizetype> &units)
    {
        const qsizetype k = qsizetype(ids.size());
        const qsizetype final = count - oldDead + k;
        if (final > count)
            rows.resize(final);
        LatestRow *r = rows.data();
        qsizetype j = k, goneFrom = 0; // new rows before p; old rows gone at p or after
        for (qsizetype p = count - 1; p >= 0; --p) {
            while (j > 0 && units[size_t(j - 1)] > p)
                --j;
            if (oldGone[size_t(p)]) {
                ++goneFrom;
                continue;
            }
            const qsizetype by = j - (oldDead - goneFrom);
            if (by > 0)
                r[p + by] = std::move(r[p]);
        }
        qsizetype goneBefore = 0;
        j = 0;
        for (qsizetype p = 0; p < count; ++p) {
            while (j < k && units[size_t(j)] <= p)
                ++j;
            if (oldGone[size_t(p)]) {
                ++goneBefore;
                continue;
            }
            const qsizetype by = j - goneBefore;
            if (by < 0)
                r[p + by] = std::move(r[p]);
        }
        qsizetype kept = 0;
        j = 0;
        for (qsizetype p = 0; p <= count && j < k; ++p) {
            for (; j < k && units[size_t(j)] == p; ++j)
                r[kept + j] = std::move(at(ids[size_t(j)]));
            if (p < count && !oldGone[size_t(p)])
                ++kept;
        }
        if (final < count)
            rows.resize(final);
    }
};

} // namespace kestrin
