#pragma once
#include "download/download_names.h"

#include <QDialog>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrin {

class Prompts;
class Shell;
class ShellFolders;

// "图片下载": opens one picture from a temporary copy or saves it into the save folder.
class TfrmDownload : public QDialog
{
    Q_OBJECT
public:
    enum ModalResult { mrOk = 1, mrCancel = 2, mrYes = 6 };
    static constexpr int kTimeoutMs = 30000;

    TfrmDownload(Prompts &prompts, Shell &shell, ShellFolders &folders, QWidget *parent = nullptr);
    ~TfrmDownload() override;

    void SetDownloadInfo(const QString &urlBase, const QByteArray &nameSpec, const QString &savePath,
                         const QByteArray &timeText, bool useChineseName);
    void FormShow();
    void BitBtn1Click(); // open
    void BitBtn2Click(); // save
    void BitBtn3Click(); // cancel
    // Writes the file only when the whole picture arrived with status 200; failures are silent.
    bool DownloadToFile(const QString &url, const QString &path);

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QLabel *Image1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *BitBtn1 = nullptr, *BitBtn2 = nullptr, *BitBtn3 = nullptr;

    QString UrlBase, SavePath;
    QByteArray NameSpec, TimeText;
    bool UseChineseName = false;
    QString DownloadUrl, CacheName, TargetPath; // empty when the name cannot be used locally

protected:
    void showEvent(QShowEvent *event) override;

private:
    void MyIdHTTPWorkBegin(qint64 total);
    void MyIdHTTPWork(qint64 received);

    Prompts &m_prompts;
    Shell &m_shell;
    ShellFolders &m_folders;
    std::optional<DownloadPlan> m_plan;
};

} // namespace kestrin
