#pragma once
#include "gui/app/web_page.h"

class QLabel;
class QWebEngineView;

namespace kestrin {

// A web page in Qt WebEngine. If its renderer cannot run (or dies), a plain message takes its place.
class EngineWebPage : public WebPage
{
    Q_OBJECT
public:
    explicit EngineWebPage(QWidget *parent = nullptr);
    void load(const QUrl &url) override;
    bool reload() override;
    QWebEngineView *view() const { return m_view; }

private:
    void showFailure(const QString &why);

    QWebEngineView *m_view;
    QLabel *m_failure = nullptr;
};

// Makes web views unless KESTRIN_NO_WEBENGINE is set; call before QApplication is created, which
// also prepares what WebEngine needs (shared GL contexts, no sandbox when run as root).
WebPageFactory prepareWebPages();

} // namespace kestrin
