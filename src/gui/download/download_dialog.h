#pragma once
#include "core/download/download_names.h"

#include <QDialog>
#include <QPointer>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrin {

class HttpJob;
class Prompts;
class Shell;
class ShellFolders;
struct HttpResult;

// "图片下载": opens one picture from a temporary copy or saves it into the save folder. The transfer
// runs inside the dialog with its progress shown; "取消" stops it at once and leaves no file.
class DownloadDialog : public QDialog
{
    Q_OBJECT
public:
    // The result the dialog closes with, by the button that ended it.
    enum Outcome { Opened = 1, Cancelled = 2, Saved = 6 };
    static constexpr int kReadTimeoutMs = 30000;

    DownloadDialog(const DownloadRequest &request, Prompts &prompts, Shell &shell, ShellFolders &folders,
                   QWidget *parent = nullptr);
    ~DownloadDialog() override;

    const std::optional<DownloadPlan> &plan() const { return m_plan; }
    bool isTransferring() const;

    QLabel *nameLabel() const { return m_name; }
    QLabel *timeLabel() const { return m_time; }
    QProgressBar *progressBar() const { return m_progress; }
    QPushButton *openButton() const { return m_open; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *cancelButton() const { return m_cancel; }

    void reject() override;

private:
    void openPicture();
    void savePicture();
    void startTransfer(const QString &path, void (DownloadDialog::*then)(const HttpResult &));
    void showOpened(const HttpResult &result);
    void finishSaving(const HttpResult &result);

    Prompts &m_prompts;
    Shell &m_shell;
    ShellFolders &m_folders;
    std::optional<DownloadPlan> m_plan;
    QString m_transferPath;
    QPointer<HttpJob> m_job;
    QLabel *m_name = nullptr;
    QLabel *m_time = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kestrin
