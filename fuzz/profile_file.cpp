// MySelect.ini as found on disk, whatever it holds, then a user registered and a selection saved.
// Input: one flag byte, user name, NUL, password, NUL, picked names, NUL, the file's bytes.
#include "fuzz_support.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"
#include "core/gallery/search.h"
#include "core/personal/profile_file.h"
#include "core/personal/selection_store.h"

#include <QFile>

using namespace kestrin;

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lines a profile's bytes hold (CR LF ends each, the last may lack it).
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines = splitString(bytes, "\r\n");
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// after is before with one line replaced, or one line put in, or a section of two lines added at
// the end: nothing else moved or changed.
bool oneChange(const QList<QByteArray> &before, const QList<QByteArray> &after)
{
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const qsizetype removed = before.size() - head - tail, added = after.size() - head - tail;
    return removed <= 1 && added <= 2 && (added < 2 || (removed == 0 && head == before.size()));
}

bool isKeyLine(QByteArrayView line, QByteArrayView key)
{
    const qsizetype eq = line.indexOf('=');
    return eq >= 0 && sameProfileName(trimmedBlanks(line.first(eq)), key);
}

// What a dialog lets through: trimmed, and refused when it cannot be kept in the file.
std::optional<QByteArray> typed(const QByteArray &bytes, bool name)
{
    const QString text = trimmedTyped(gbk::decode(bytes));
    if (!(name ? userNameProblem(text) : passwordProblem(text)).isEmpty() || (name && text.isEmpty()))
        return std::nullopt;
    return gbk::encode(text);
}

// Picked file names as the server gives them: no blanks, no ",", no bar on a character start.
QList<QByteArray> pickedNames(const QByteArray &bytes)
{
    QList<QByteArray> names;
    for (const QByteArray &name : splitString(bytes, " ")) {
        if (!name.isEmpty() && trimmedBlanks(name).size() == name.size() && !name.contains(',') &&
            !name.contains('\r') && !name.contains('\n') && gbk::indexOf(name, "|") < 0 && !name.contains(' '))
            names.append(name);
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uchar flags = data[0];
    const QList<QByteArray> in = fuzz::parts(fuzz::bytesOf(data + 1, size - 1), 4);
    const QString path = fuzz::scratchDir() + QStringLiteral("/MySelect.ini");
    write(path, in[3]);

    // Any bytes load, and every question about them is answered without harm.
    ProfileFile file;
    FUZZ_CHECK(file.load(path));
    const QByteArray loaded = file.bytes();
    const QList<QByteArray> lines = linesOf(loaded);
    file.value(in[0], in[1]);
    file.contains(in[0], "UserSelect");

    // A name or value with a line break is refused and changes nothing.
    for (const QByteArray &bad : {in[0] + "\n", "\r" + in[1], in[2] + "\r\n[x]"}) {
        FUZZ_CHECK(!file.setValue("PELMARQ_a", "UserSelect", bad));
        FUZZ_CHECK(!file.setValue(bad, "UserSelect", "v"));
        FUZZ_CHECK(!file.setValue("PELMARQ_a", bad, "v"));
        FUZZ_CHECK(file.bytes() == loaded);
    }

    const std::optional<QByteArray> user = typed(in[0], true);
    const std::optional<QByteArray> password = typed(in[1], false);
    if (!user || !password)
        return 0;
    const QByteArray section = SelectionStore::kSectionPrefix + *user;

    // One value set: one line changed or put in (or the section added), read back after a save.
    FUZZ_CHECK(file.setValue(section, flags & 1 ? "userpassword" : "UserPassword", *password));
    FUZZ_CHECK(oneChange(lines, linesOf(file.bytes())));
    FUZZ_CHECK(file.save());
    ProfileFile fresh;
    FUZZ_CHECK(fresh.load(path) && fresh.value(section, "UserPassword") == *password);
    FUZZ_CHECK(fresh.bytes() == read(path));

    // Registered through the store, with every other section and line as it was.
    write(path, in[3]);
    SelectionStore store(path);
    QString error;
    FUZZ_CHECK(store.registerUser(*user, *password, &error));
    FUZZ_CHECK(SelectionStore(path).password(*user) == *password);
    ProfileFile registered;
    FUZZ_CHECK(registered.load(path));
    const QList<QByteArray> now = linesOf(registered.bytes());
    for (const QByteArray &line : lines) // the file's own lines all stay, but the two keys' (rewritten)
        if (!isKeyLine(line, "UserPassword") && !isKeyLine(line, "UserSelect"))
            FUZZ_CHECK(now.contains(line));

    // A selection saved comes back whole; a category saved empty keeps what it held.
    Catalogue cat;
    const int count = 1 + (flags >> 1) % 4;
    cat.reset(QList<CategoryEntry>(count));
    const QList<QByteArray> names = pickedNames(in[2]);
    for (qsizetype i = 0; i < names.size(); ++i)
        cat.categories[size_t((i + flags) % count)].selection.append(names[i]);
    if (flags & 32)
        cat.categories[0].selection.clear();
    FUZZ_CHECK(store.saveSelection(*user, cat, &error));
    Catalogue back;
    back.reset(QList<CategoryEntry>(count));
    for (Category &c : back.categories)
        c.selection = {"kept"};
    SelectionStore(path).loadSelection(*user, back);
    for (int c = 0; c < count; ++c) {
        const QList<QByteArray> &saved = cat.categories[size_t(c)].selection;
        FUZZ_CHECK(back.categories[size_t(c)].selection == (saved.isEmpty() ? QList<QByteArray>{"kept"} : saved));
    }
    FUZZ_CHECK(SelectionStore(path).password(*user) == *password);
    return 0;
}
