#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace kestrin {

struct Catalogue;

// Room a local file name may take: the file system allows 255 bytes of UTF-8, and the temporary file a
// download is written to first adds 7.
inline constexpr int kMaxLocalNameBytes = 248;

// A name from the server made fit to be a file name in a local folder: decoded from GBK, with path
// separators and control characters replaced by "_", and shortened (keeping the extension whole) to
// kMaxLocalNameBytes. Empty when nothing usable is left ("", ".", "..").
QString localFileName(QByteArrayView gbkName, QByteArrayView gbkExtension = {});

// The name a picture is saved under: its file name, or with "中文名下载" its Chinese name (the dialog)
// or its file name and Chinese name run together without blanks (the queue).
enum class LocalName { FileName, ChineseName, FileAndChineseName };

// One picture to open or save, with the server's fields kept apart (never joined and split again).
struct DownloadRequest
{
    QString urlBase;      // server base address + category folder + "/"
    QByteArray fileName;  // the picture's file name on the server
    QByteArray chineseName;
    QByteArray time;
    QByteArray extension; // the category's extension, whole
    QString savePath;     // save folder
    LocalName localName = LocalName::FileName;
};

// The request for one picture of category c, addressed to the server in use.
DownloadRequest pictureRequest(const Catalogue &cat, int c, QByteArrayView fileName, QByteArrayView chineseName,
                               QByteArrayView time, const QString &savePath, LocalName localName);

// What one picture download reads and writes.
struct DownloadPlan
{
    QString url;        // URL base + file name + extension (GBK bytes percent-encoded)
    QString cacheName;  // local name of the copy that is opened
    QString targetPath; // save folder + "/" + local name
};

// nullopt when the request yields no usable local name (a name made only of separators or dots, for
// instance): such a picture is neither opened nor saved.
std::optional<DownloadPlan> planDownload(const DownloadRequest &request);

// The save folder without one trailing separator.
QString trimSavePath(const QString &savePath);

// The hidden file a picture's bytes gather in until they are complete: named by a digest of the
// picture's own name, so it stays within the file system's 255 bytes however long that name is, and
// is found again after a restart.
QString partialFileName(const QString &targetFileName);
// Whether name has the form partialFileName gives: nothing else is ever removed as a download's part.
bool isPartialFileName(const QString &name);

} // namespace kestrin
