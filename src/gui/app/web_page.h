#pragma once
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;

namespace kestrin {

// A page from the server shown in a tab (or the hidden counter): something that can go to an address
// and load it again. The real one is a web view; where none can run, a plain message stands in.
class WebPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void load(const QUrl &url) = 0;
    // false when there is nothing that could be reloaded (the "refresh raised an error" case).
    virtual bool reload() = 0;
    QUrl url() const { return m_url; }

signals:
    void loadFinished(bool ok);

protected:
    QUrl m_url;
};

using WebPageFactory = std::function<WebPage *(QWidget *parent)>;

// What stands in for a web view that cannot run: it names the page and says why it is not shown.
class PlainWebPage : public WebPage
{
    Q_OBJECT
public:
    explicit PlainWebPage(QWidget *parent = nullptr);
    void load(const QUrl &url) override;
    bool reload() override { return false; }
    QString message() const;

private:
    QLabel *m_text;
};

} // namespace kestrin
