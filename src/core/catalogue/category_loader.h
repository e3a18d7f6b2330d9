#pragma once
#include "core/catalogue/page_file.h"

#include <QObject>
#include <QPointer>
#include <optional>

template <typename T> class QFutureWatcher;

namespace kestrin {

struct Catalogue;
struct HttpResult;
class FailoverFetch;
class HttpJob;

// Loads one category at a time: its page file from the server in use, then its change file (moving on
// to the next server while that fails). A newer load supersedes the one in flight, whose answer, if it
// still arrives, never touches the catalogue. Nothing is stored until both files are in.
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
    void onPage(int category, const HttpResult &result);
    void fetchChangeFile(int category);
    void onChangeFile(const QList<QByteArray> &lines);
    void finish(int category, bool ok, const QString &reason);

    Catalogue &m_catalogue;
    QPointer<HttpJob> m_pageJob;
    QFutureWatcher<std::optional<PageFile>> *m_parse = nullptr;
    FailoverFetch *m_changeFetch = nullptr;
    PageFile m_page;
    int m_loading = -1;
    unsigned m_generation = 0;
};

} // namespace kestrin
