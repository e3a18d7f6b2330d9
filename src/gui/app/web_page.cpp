#include "gui/app/web_page.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kestrin {

PlainWebPage::PlainWebPage(QWidget *parent) : WebPage(parent), m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("plainWebPage"));
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
}

void PlainWebPage::load(const QUrl &url)
{
    m_url = url;
    m_text->setText(QStringLiteral("本机无法显示网页，请用浏览器打开：\n%1").arg(url.toString()));
}

QString PlainWebPage::message() const { return m_text->text(); }

} // namespace kestrin
