#include "download/download_dialog.h"

#include "app/settings.h"
#include "app/widget_kit.h"
#include "catalogue/gbk.h"
#include "catalogue/records.h"
#include "platform/prompts.h"
#include "platform/shell.h"
#include "server/http.h"

#include <QDir>
#include <QShowEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

namespace kestrin {

TfrmDownload::TfrmDownload(Prompts &prompts, Shell &shell, ShellFolders &folders, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_shell(shell), m_folders(folders)
{
    setObjectName(QStringLiteral("frmDownload"));
    setWindowTitle(QStringLiteral("图片下载"));
    setFixedSize(383, 161);
    kit::setPixelFont(this, 12);
    Image1 = kit::label(this, "Image1", QString());
    Image1->setGeometry(16, 12, 30, 27);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(27, 27));
    Label3 = kit::label(this, "Label3", QStringLiteral("您想打开或保存此文件吗?"));
    kit::setPixelFont(Label3, 12, true);
    Label3->setGeometry(60, 16, 300, 18);
    Label1 = kit::label(this, "Label1", QStringLiteral("名称:"));
    Label1->setGeometry(60, 44, 40, 16);
    Label2 = kit::label(this, "Label2", QStringLiteral("图名"));
    Label2->setGeometry(100, 44, 270, 16);
    Label4 = kit::label(this, "Label4", QStringLiteral("更新:"));
    Label4->setGeometry(60, 64, 40, 16);
    Label5 = kit::label(this, "Label5", QStringLiteral("2010-04-01 23:35"));
    Label5->setGeometry(100, 64, 270, 16);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(31, 92, 321, 11);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);
    const auto button = [this](const char *name, const QString &text, int left, void (TfrmDownload::*handler)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(left, 118, 80, 28);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    BitBtn1 = button("BitBtn1", QStringLiteral("打开(&O)"), 62, &TfrmDownload::BitBtn1Click);
    BitBtn2 = button("BitBtn2", QStringLiteral("保存(&S)"), 152, &TfrmDownload::BitBtn2Click);
    BitBtn3 = button("BitBtn3", QStringLiteral("取消(&C)"), 242, &TfrmDownload::BitBtn3Click);
}

TfrmDownload::~TfrmDownload() = default;

void TfrmDownload::SetDownloadInfo(const QString &urlBase, const QByteArray &nameSpec, const QString &savePath,
                                   const QByteArray &timeText, bool useChineseName)
{
    UrlBase = urlBase;
    NameSpec = nameSpec;
    SavePath = savePath.endsWith(u'\\') ? savePath.chopped(1) : savePath;
    TimeText = timeText;
    UseChineseName = useChineseName;
}

void TfrmDownload::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmDownload::FormShow()
{
    const QList<QByteArray> fields = SplitString(NameSpec.trimmed(), "|");
    Label2->setText(gbk::decode(displayName(fields.value(0), fields.value(1))));
    Label5->setText(gbk::decode(TimeText));
    m_plan = planDownload(UrlBase, NameSpec, SavePath, UseChineseName);
    DownloadUrl = m_plan ? m_plan->url : QString();
    CacheName = m_plan ? m_plan->cacheName : QString();
    TargetPath = m_plan ? m_plan->targetPath : QString();
}

bool TfrmDownload::DownloadToFile(const QString &url, const QString &path)
{
    bool begun = false;
    const HttpResult r = Http::download(url, path, kTimeoutMs, [&](qint64 received, qint64 total) {
        if (!begun) {
            begun = true;
            MyIdHTTPWorkBegin(total);
        }
        MyIdHTTPWork(received);
    });
    return r.ok();
}

void TfrmDownload::MyIdHTTPWorkBegin(qint64 total)
{
    ProgressBar1->setMaximum(int(qBound(qint64(0), total, qint64(INT_MAX))));
}

void TfrmDownload::MyIdHTTPWork(qint64 received)
{
    ProgressBar1->setValue(int(qMin<qint64>(received, ProgressBar1->maximum())));
    ProgressBar1->repaint();
}

void TfrmDownload::BitBtn1Click()
{
    BitBtn1->setEnabled(false);
    BitBtn2->setEnabled(false);
    if (m_plan) {
        const QString cache = GetShellFolder(m_folders, QStringLiteral("Cache"));
        QDir().mkpath(cache);
        const QString file = cache + u'/' + CacheName;
        // A stale copy from an earlier open must not be shown if this download fails.
        QFile::remove(file);
        DownloadToFile(DownloadUrl, file);
        if (!m_shell.open(file) && QFileInfo::exists(file))
            m_shell.openWith(file);
    }
    done(mrOk);
}

void TfrmDownload::BitBtn2Click()
{
    BitBtn1->setEnabled(false);
    BitBtn2->setEnabled(false);
    if (m_plan) {
        if (!QFileInfo::exists(TargetPath) ||
            m_prompts.warnYesNo(TargetPath + QStringLiteral("已存在。\n要替换它吗?")))
            DownloadToFile(DownloadUrl, TargetPath);
    }
    done(mrYes);
}

void TfrmDownload::BitBtn3Click()
{
    done(mrCancel);
}

} // namespace kestrin
