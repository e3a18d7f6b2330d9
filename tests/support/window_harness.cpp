#include "window_harness.h"

#include "core/catalogue/records.h"
#include "gui/download/download_dialog.h"
#include "gui/personal/login_dialog.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/page_bar.h"
#include "gui/gallery/picture_grid.h"
#include "library_files.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <stdexcept>

namespace kestrin::test {

WindowHarness::WindowHarness(library::InitOptions options) : lib(options) {}

WindowHarness::~WindowHarness() { window.reset(); }

MainWindow &WindowHarness::start(int deadCount) { return start(lib.table(deadCount)); }

MainWindow &WindowHarness::start(const ServerTable &servers)
{
    const auto showDialog = [this](QDialog &d) {
        d.show();
        if (auto *login = qobject_cast<LoginDialog *>(&d)) {
            lastLogin = login;
            if (onLogin)
                onLogin(*login);
            return;
        }
        auto &dialog = static_cast<DownloadDialog &>(d);
        lastDialog = &dialog;
        ++dialogs;
        if (onDialog)
            onDialog(dialog);
    };
    window = std::make_unique<MainWindow>(Platform{realPrompts ? *realPrompts : prompts, shell, *settings, folders, life,
                                                   servers, showDialog, &sound, realNotifier ? realNotifier : &notifier,
                                                   drawCode, makeWebPage, warmUpWebPages, webViews});
    QSignalSpy finished(window.get(), &MainWindow::startFinished);
    window->start();
    if (!finished.wait(30000))
        throw std::runtime_error("start-up did not finish");
    started = finished.first().first().toBool();
    if (started) {
        QSignalSpy counted(window->webTabs(), &WebTabHost::counterLoaded);
        window->resize(1180, 800);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            throw std::runtime_error("window not shown");
        // Without web views the counter page is a plain request once the window is drawn: over before
        // the test goes on, so the requests a test counts are its own.
        if (!makeWebPage && counted.isEmpty())
            counted.wait(10000);
    }
    return *window;
}

void WindowHarness::writePage(int category, const QList<QByteArray> &records, const QList<QByteArray> &latest)
{
    library::CategoryFiles files;
    QString error;
    if (!library::readCategory(lib.root(), category, &files, &error))
        throw std::runtime_error(error.toStdString());
    files.records = records;
    files.latest = latest;
    if (!library::writeCategory(lib.root(), category, files, &error))
        throw std::runtime_error(error.toStdString());
}

void WindowHarness::setFaults(const QStringList &specs) { lib.setFaults(specs); }

void WindowHarness::showCategory(int i)
{
    QSignalSpy shown(window.get(), &MainWindow::categoryShown);
    window->galleryPage()->categoryBar()->buttons().at(i)->click();
    if (!shown.wait(15000))
        throw std::runtime_error("category not shown");
}

bool WindowHarness::waitDialogClosed(int ms)
{
    return waitUntil([this] { return lastDialog.isNull() || !lastDialog->isVisible(); }, ms);
}

void WindowHarness::poll()
{
    window->session().poller().poll();
    if (!waitUntil([this] { return !window->session().poller().isPolling() && !window->session().isMerging(); }, 30000))
        throw std::runtime_error("poll did not end");
    if (!waitUntil([this] { return !window->session().loader().isLoading(); }, 30000))
        throw std::runtime_error("reload did not end");
    QCoreApplication::processEvents();
}

void WindowHarness::settle()
{
    if (!waitUntil([this] { return !window->session().loader().isLoading(); }, 60000))
        throw std::runtime_error("a load did not end");
    QCoreApplication::processEvents();
}

void WindowHarness::reload()
{
    window->refreshLimitTimer().stop();
    window->session().refresh();
}

void clickPageEntry(MainWindow &w, int i)
{
    PageBar *bar = w.galleryPage()->pageBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->entryRect(i).center());
}

void clickCell(PictureGrid *grid, int k, Qt::MouseButton button)
{
    QTest::mouseClick(grid->viewport(), button, {}, grid->cellRect(k % 4, k / 4).center());
}

void clickRow(QTreeView *view, int row)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
}

QList<int> pictureRows(const LatestListModel *model)
{
    QList<int> rows;
    for (int i = 0; i < model->rowCount(); ++i)
        if (!model->row(i).time.isEmpty() && model->row(i).time != "-1")
            rows << i;
    return rows;
}

void typeLogin(LoginDialog &d, const QString &name, const QString &password, const QString &code)
{
    d.nameEdit()->setText(name);
    d.passwordEdit()->setText(password);
    d.codeEdit()->setText(code);
    d.okButton()->click();
}

QString panelText(MainWindow &w, WindowStatusBar::Panel panel) { return w.windowStatusBar()->panelText(panel); }

QByteArray fileNameAt(MainWindow &w, int k)
{
    return PictureRecord::parse(w.catalogue().items(0).at(k)).fileName.toByteArray();
}

void publish(WindowHarness &h, int category, const QByteArray &file, const QByteArray &time)
{
    QString error;
    if (!library::publishPicture(h.lib.root(), category, file, g("新到"), time, &error))
        throw std::runtime_error(error.toStdString());
}

int requestsFor(const library::LibraryServer &server, const QString &path)
{
    int n = 0;
    for (const QString &line : server.log())
        n += line.startsWith(QStringLiteral("GET ") + path + QLatin1Char(' '));
    return n;
}

void saveScreen(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("KESTRIN_SCREENS");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace kestrin::test
