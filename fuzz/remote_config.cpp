// The configuration every start fetches: any bytes, the server table and categories it sizes.
// Input: the body, as is.
#include "fuzz_support.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/records.h"
#include "core/server/remote_config.h"

using namespace kestrin;

namespace {

// No field holds what separates fields: a line break, a "," or a bar on a character start.
bool plainField(QByteArrayView field, bool barsAllowed)
{
    return !field.contains('\r') && !field.contains('\n') && (barsAllowed || gbk::indexOf(field, "|") < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView body = fuzz::bytesOf(data, size);
    const std::optional<RemoteConfig> cfg = parseRemoteConfig(body);

    // The reference: the first two lines, four release fields, at least one entry up to the last
    // non-blank one.
    const QList<QByteArray> lines = splitLines(body, 2);
    QList<QByteArray> entries = lines.size() == 2 ? splitString(lines[0], ",") : QList<QByteArray>();
    while (!entries.isEmpty() && trimmedBlanks(entries.last()).isEmpty())
        entries.removeLast();
    const QList<QByteArray> release = lines.size() == 2 ? splitString(lines[1], "|") : QList<QByteArray>();
    const bool usable = lines.size() == 2 && release.size() >= 4 && !entries.isEmpty();
    FUZZ_CHECK(cfg.has_value() == usable);
    if (!cfg)
        return 0;

    // One category per entry, in place: category n stays the server's n.
    FUZZ_CHECK(cfg->categories.size() == entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const CategoryEntry &c = cfg->categories[i];
        FUZZ_CHECK(plainField(c.caption, false) && !c.caption.contains(','));
        FUZZ_CHECK(plainField(c.folder, false) && !c.folder.contains(','));
        FUZZ_CHECK(plainField(c.extension, false) && !c.extension.contains(','));
        // The fields are the entry's own, in order, each after a bar.
        QByteArray head = c.caption;
        if (!c.folder.isEmpty() || !c.extension.isEmpty() || entries[i].size() > c.caption.size())
            head += '|' + c.folder;
        if (!c.extension.isEmpty())
            head += '|' + c.extension;
        FUZZ_CHECK(entries[i].startsWith(head));
    }
    FUZZ_CHECK(cfg->version == release[0] && cfg->upgradeUrl == release[1] && cfg->tip == release[2]);
    FUZZ_CHECK(cfg->notice == release[3]);
    for (const QByteArray *f : {&cfg->version, &cfg->upgradeUrl, &cfg->tip, &cfg->notice})
        FUZZ_CHECK(plainField(*f, false));

    // Sizing the catalogue from it, and the addresses made from its folders.
    Catalogue cat;
    cat.reset(cfg->categories);
    FUZZ_CHECK(cat.count() == cfg->categories.size());
    for (int c = 0; c < cat.count() && c < 64; ++c) {
        FUZZ_CHECK(!cat.categories[size_t(c)].items && cat.items(c).isEmpty() && cat.latest(c).isEmpty());
        const QString url = cat.pictureFolderUrl(c);
        FUZZ_CHECK(url.startsWith(cat.baseUrl()) && url.endsWith(u'/'));
        FUZZ_CHECK(!url.contains(u'\r') && !url.contains(u'\n'));
    }
    return 0;
}
