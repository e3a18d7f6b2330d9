#pragma once
#include "gui/app/web_page.h"

class QLabel;
class QWebEnginePage;
class QWebEngineView;

namespace kestrin {

// A web page in Qt WebEngine. The page loads from the start; the view that draws it is made the first
// time the page is shown, so pages never looked at (the counter, tabs not chosen) cost no view. If its
// renderer cannot run (or dies), a plain message takes its place.
class EngineWebPage : public WebPage
{
    Q_OBJECT
public:
    explicit EngineWebPage(QWidget *parent = nullptr);
    ~EngineWebPage() override;
    void load(const QUrl &url) override;
    bool reload() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void makePage();
    void showFailure(const QString &why);

    QWebEnginePage *m_page = nullptr;
    QWebEngineView *m_view = nullptr;
    QLabel *m_failure = nullptr;
    bool m_loadsEnded = false; // some load has ended, well or not
    bool m_pageIsNew = false;  // made in place of one whose renderer died, nothing loaded yet
};

} // namespace kestrin

// The module's one entry point, looked up by name by the program (gui/app/web_module.h).
extern "C" Q_DECL_EXPORT kestrin::WebPage *kestrinMakeEngineWebPage(QWidget *parent);
