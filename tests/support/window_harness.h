#pragma once
// The real main window against a real library server, with scripted dialogs, a recording shell, a
// settings file and standard folders of its own; and the parts of the window the tests reach for.
#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"
#include "core/gallery/picture_grid_model.h"
#include "gui/app/main_window.h"
#include "gui/app/web_page.h"
#include "gui/app/web_tab_host.h"
#include "gui/app/window_status_bar.h"
#include "gui/download/download_dialog.h"
#include "gui/download/file_page.h"
#include "gui/gallery/category_bar.h"
#include "gui/gallery/gallery_page.h"
#include "gui/gallery/page_bar.h"
#include "gui/gallery/picture_grid.h"
#include "gui/personal/login_dialog.h"
#include "gui/server/server_bar.h"
#include "gui/ui/picture_list.h"
#include "library_files.h"
#include "session_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <functional>

namespace kestrin::test {

class WindowHarness : public TestSeams
{
public:
    // Two categories of 30 pictures unless a test needs more.
    explicit WindowHarness(library::InitOptions options = {2, 30, 1});
    ~WindowHarness();

    ServedLibrary lib;
    Prompts *realPrompts = nullptr; // real message boxes instead of the scripted answers
    DesktopNotifier *realNotifier = nullptr; // the desktop's notices instead of the recorded ones
    std::function<int()> drawCode = [] { return 4321; }; // the login's verification code
    WebPageFactory makeWebPage; // empty: plain pages, no web engine
    std::function<void(QObject *, std::function<void()>)> warmUpWebPages; // empty: none
    bool webViews = false; // the pages are web views: the window offers OpenGL from its creation
    // Plays the user's part in a download dialog once it shows; without one it stays open.
    std::function<void(DownloadDialog &)> onDialog;
    QPointer<DownloadDialog> lastDialog;
    // The same for the login dialog of the personal zone.
    std::function<void(LoginDialog &)> onLogin;
    QPointer<LoginDialog> lastLogin;
    int dialogs = 0;
    std::unique_ptr<MainWindow> window;
    bool started = false;

    // Creates the window over the six addresses (the first deadCount refuse), runs start-up and, when
    // it succeeded, shows it.
    MainWindow &start(int deadCount = 0);
    MainWindow &start(const ServerTable &servers);
    // Rewrites a category's page: records "id\tfile|name|time" and latest entries.
    void writePage(int category, const QList<QByteArray> &records, const QList<QByteArray> &latest);
    void setFaults(const QStringList &specs);
    // Clicks category button i and waits until that category is on screen.
    void showCategory(int i);
    // Waits until the last download dialog has closed.
    bool waitDialogClosed(int ms = 10000);
    // Runs one poll of the current category to its end, and the reload it may start.
    void poll();
    // "立即刷新" with its 15 seconds over.
    void reload();
    // Waits until no category load is in flight.
    void settle();
};


// What a user does and sees on the window.
void clickPageEntry(MainWindow &w, int i); // the gallery's page bar: page buttons, or the zone's four
void clickCell(PictureGrid *grid, int k, Qt::MouseButton button = Qt::LeftButton); // record k, four to a row
void clickRow(QTreeView *view, int row);
// The rows of pictures (not captions, not withdrawn) in a list.
QList<int> pictureRows(const LatestListModel *model);
void typeLogin(LoginDialog &d, const QString &name, const QString &password, const QString &code = QStringLiteral("4321"));
QString panelText(MainWindow &w, WindowStatusBar::Panel panel);
// The file name of record k of category 0.
QByteArray fileNameAt(MainWindow &w, int k);
// Publishes (or republishes) a picture with the library tool, as an operator would.
void publish(WindowHarness &h, int category, const QByteArray &file, const QByteArray &time);
// GET requests for exactly this path in the server's log.
int requestsFor(const library::LibraryServer &server, const QString &path);

// Saves a picture of the widget under build/screens for a person to look at.
void saveScreen(QWidget *widget, const QString &name);

} // namespace kestrin::test
