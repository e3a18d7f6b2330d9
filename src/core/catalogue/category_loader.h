#pragma once
#include "core/catalogue/catalogue.h"
#include "core/catalogue/page_file.h"

#include <QObject>
#include <QPointer>
#include <optional>

template <typename T> class QFutureWatcher;

namespace kestrin {

struct HttpResult;
class FailoverFetch;
class HttpJob;

// Loads one category at a time: its page file from the server in use and its change file (moving on to
// the next server while that fails). Both are asked for at once; when the records held may still be the
// server's (same address, same batch and serial), the page is asked for only after the change file has
// said so, with the validators of the held copy, and a "not modified" keeps the records as they are.
// A newer load supersedes the one in flight, whose answer, if it still arrives, never touches the
// catalogue. Nothing is stored until both files are in.
class CategoryLoader : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPageReadTimeoutMs = 30000;
    static constexpr int kPageDeadlineMs = 60000;

    explicit CategoryLoader(Catalogue &catalogue, QObject *parent = nullptr);
    ~CategoryLoader() override;

    void load(int category);
    void cancel();
    bool isLoading() const { return m_loading >= 0; }
    int loadingCategory() const { return m_loading; }

signals:
    // ok: the page and change file are stored. Otherwise the category holds no records and reason says
    // why (its latest entries, change fields and marks stay as they were).
    void finished(int category, bool ok, const QString &reason);
    // The change file could not be had from server index; reported when the client saw an error.
    void changeServerFailed(int index, bool reported);
    // No server gave the change file; the page is still stored, its change fields stay as they were.
    void changeServersExhausted();

private:
    void requestPage(bool askIfChanged);
    void onPage(const HttpResult &result, const QString &url);
    void onChangeFile(std::optional<QList<QByteArray>> lines);
    void completeIfReady();
    void finish(int category, bool ok, const QString &reason);
    void stopLoad();

    Catalogue &m_catalogue;
    QPointer<HttpJob> m_pageJob;
    QFutureWatcher<std::optional<PageFile>> *m_parse = nullptr;
    FailoverFetch *m_changeFetch = nullptr;
    int m_loading = -1;
    unsigned m_generation = 0;

    // The load in flight.
    std::optional<PageFile> m_page;                    // parsed, or the held records still current
    bool m_keepHeld = false;                           // the server said the held page is current
    std::optional<HeldPage> m_fetched;                 // the version a full answer brought
    std::optional<QList<QByteArray>> m_changeLines;    // in; empty when no server gave them
    bool m_changeDone = false;
    bool m_pageAsked = false;
};

} // namespace kestrin
