#include "app/splash.h"

#include "app/artwork.h"
#include "catalogue/gbk.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

namespace kestrin {

namespace {
const QColor kBlue(98, 154, 238);

void centre(QWidget *w, QWidget *on)
{
    const QRect area = on ? on->frameGeometry() : (w->screen() ? w->screen()->availableGeometry() : QRect(0, 0, 1024, 768));
    w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}
} // namespace

TFrmLoading::TFrmLoading(QWidget *parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen)
{
    setObjectName(QStringLiteral("FrmLoading"));
    setFixedSize(468, 312);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 468, 313);
    Image1->setPixmap(splashPicture());
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont f;
    f.setFamilies(uiFontFamilies());
    f.setPixelSize(21);
    f.setBold(true);
    Label1->setFont(f);
    Label1->setAutoFillBackground(true);
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::Window, kBlue);
    pal.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(pal);
    FormCreate();
    centre(this, nullptr);
}

void TFrmLoading::FormCreate()
{
    Label1->setText(QApplication::applicationDisplayName() + QStringLiteral("Kestrin上图最早、最快、最稳定"));
    const int width = int(11 * gbk::byteLength(Label1->text()));
    Label1->setGeometry(Image1->width() - width - 10, 280, width, 21);
}

TForm4::TForm4(QWidget *owner) : QWidget(owner, Qt::FramelessWindowHint | Qt::Tool)
{
    setObjectName(QStringLiteral("Form4"));
    setFixedSize(185, 41);
    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 0, 185, 41);
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, kBlue);
    Panel1->setPalette(pal);
    Label1 = new QLabel(QStringLiteral("载入中..."), Panel1);
    QFont f;
    f.setFamilies(uiFontFamilies());
    f.setPixelSize(16);
    f.setBold(true);
    Label1->setFont(f);
    Label1->setStyleSheet(QStringLiteral("color: yellow"));
    Label1->move(59, 14);
    Label1->adjustSize();
}

void TForm4::showNow()
{
    centre(this, parentWidget() ? parentWidget()->window() : nullptr);
    show();
    raise();
    repaint();
}

} // namespace kestrin
