#include "gui/download/download_dialog.h"

#include "core/app/settings.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"
#include "platform/prompts.h"
#include "platform/shell.h"
#include "core/server/http.h"
#include "gui/ui/widget_kit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

namespace kestrin {

DownloadDialog::DownloadDialog(const DownloadRequest &request, Prompts &prompts, Shell &shell, ShellFolders &folders,
                               QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_shell(shell), m_folders(folders), m_plan(planDownload(request))
{
    setObjectName(QStringLiteral("downloadDialog"));
    setWindowTitle(QStringLiteral("图片下载"));
    setFixedSize(383, 161);
    kit::setPixelFont(this, 12);
    QLabel *icon = kit::label(this, "questionIcon", QString());
    icon->setGeometry(16, 12, 30, 27);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(27, 27));
    icon->setAccessibleName(QStringLiteral("问号"));
    QLabel *question = kit::label(this, "questionLabel", QStringLiteral("您想打开或保存此文件吗?"));
    kit::setPixelFont(question, 12, true);
    question->setGeometry(60, 16, 300, 18);
    kit::label(this, "nameCaption", QStringLiteral("名称:"))->setGeometry(60, 44, 40, 16);
    // A name longer than the line shows its start and end; the whole of it is in the tooltip.
    const QString name = gbk::decodeForDisplay(displayName(request.fileName, request.chineseName));
    m_name = kit::label(this, "nameLabel", QString());
    m_name->setGeometry(100, 44, 270, 16);
    m_name->setText(m_name->fontMetrics().elidedText(name, Qt::ElideMiddle, m_name->width()));
    m_name->setToolTip(name);
    // The whole name is read out, not the shortened line.
    m_name->setAccessibleName(name);
    kit::label(this, "timeCaption", QStringLiteral("更新:"))->setGeometry(60, 64, 40, 16);
    m_time = kit::label(this, "timeLabel", gbk::decodeForDisplay(request.time));
    m_time->setGeometry(100, 64, 270, 16);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setAccessibleName(QStringLiteral("下载进度"));
    m_progress->setGeometry(31, 92, 321, 11);
    m_progress->setTextVisible(false);
    m_progress->setValue(0);
    const auto button = [this](const char *name, const QString &text, int left, void (DownloadDialog::*handler)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(left, 118, 80, 28);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    m_open = button("openButton", QStringLiteral("打开(&O)"), 62, &DownloadDialog::openPicture);
    m_save = button("saveButton", QStringLiteral("保存(&S)"), 152, &DownloadDialog::savePicture);
    m_cancel = button("cancelButton", QStringLiteral("取消(&C)"), 242, &DownloadDialog::reject);
}

DownloadDialog::~DownloadDialog()
{
    if (m_job)
        m_job->cancel();
}

bool DownloadDialog::isTransferring() const { return !m_job.isNull(); }

void DownloadDialog::openPicture()
{
    m_open->setEnabled(false);
    m_save->setEnabled(false);
    if (!m_plan) {
        done(Opened);
        return;
    }
    const QString cache = shellFolder(m_folders, QStringLiteral("Cache"));
    QDir().mkpath(cache);
    const QString copy = cache + u'/' + m_plan->cacheName;
    // A stale copy from an earlier open must not be shown if this download fails.
    QFile::remove(copy);
    startTransfer(copy, &DownloadDialog::showOpened);
}

void DownloadDialog::savePicture()
{
    m_open->setEnabled(false);
    m_save->setEnabled(false);
    if (!m_plan || (QFileInfo::exists(m_plan->targetPath) &&
                    !m_prompts.warnYesNo(m_plan->targetPath + QStringLiteral("已存在。\n要替换它吗?")))) {
        done(Saved);
        return;
    }
    startTransfer(m_plan->targetPath, &DownloadDialog::finishSaving);
}

void DownloadDialog::startTransfer(const QString &path, void (DownloadDialog::*then)(const HttpResult &))
{
    HttpRequest request;
    request.url = m_plan->url;
    request.readTimeoutMs = kReadTimeoutMs;
    request.targetPath = path;
    m_transferPath = path;
    m_job = Http::get(request, this, [this, then](const HttpResult &r) { (this->*then)(r); });
    connect(m_job, &HttpJob::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            m_progress->setMaximum(int(qMin<qint64>(total, INT_MAX)));
        m_progress->setValue(int(qMin<qint64>(received, m_progress->maximum())));
    });
}

void DownloadDialog::showOpened(const HttpResult &)
{
    // Whatever the transfer gave, the shell is asked; the chooser is only worth offering for a copy
    // that exists.
    if (!m_shell.open(m_transferPath) && QFileInfo::exists(m_transferPath))
        m_shell.openWith(m_transferPath);
    done(Opened);
}

void DownloadDialog::finishSaving(const HttpResult &result)
{
    // The picture is marked as handled either way; a save that did not happen must not pass for one.
    if (!result.ok())
        m_prompts.message(QStringLiteral("下载失败：") + result.reason());
    done(Saved);
}

void DownloadDialog::reject()
{
    if (m_job)
        m_job->cancel(); // nothing of it is written
    done(Cancelled);
}

} // namespace kestrin
