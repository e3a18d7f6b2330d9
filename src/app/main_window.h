#pragma once
#include "app/app_platform.h"
#include "catalogue/catalogue.h"

#include <QMainWindow>
#include <QTimer>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabBar;
class QTabWidget;
class QTableView;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrin {

class StringGridModel;
class OwnerDrawPanel;

// The main window: every control of the program, the start-up sequence and the gallery's handlers.
// Controls keep the names the rest of the program refers to them by.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    // List rows keep the server's GBK bytes behind each shown text in this role.
    static constexpr int RawRole = Qt::UserRole;

    explicit TForm1(AppPlatform platform, QWidget *parent = nullptr);
    ~TForm1() override;

    // Loads everything; false when start-up had to stop (no server, upgrade accepted), in which case
    // the end of the program has been requested.
    bool FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    void FitGridColumns(QTableView *grid);
    void EmbedProgressBar();
    void StatusDrawPanel(const QRect &rect);
    bool ApplicationEvents1Message(QObject *target, QEvent *event);
    void FormMouseWheelDown();
    void SpeedButton5Click();

    // Catalogue views.
    void ReloadCate();
    void FillLatestLists(const QList<QByteArray> &entries);
    void FillMainGrid(const RecordList &records);

    // Navigation.
    void BuildCateButtons();
    void BuildPageButtons(int category);
    void AddPanelButton(const QString &caption, int tag, bool down, const QString &handler, int left, int width,
                        int group);
    void BtnCateClick(QToolButton *sender);
    void BtnPageClick(QToolButton *sender);
    void clearPanel6();
    // LoadCatePage plus the status text of the category's last update.
    bool loadCatePage(int n);

    // Picture grid and latest list.
    void SGMainDrawCell(QPainter *painter, int col, int row, const QRect &rect);
    void SGMainMouseMove(const QPoint &pos);
    void SGMainMouseUp(Qt::MouseButton button, const QPoint &pos);
    void SGMainMouseWheelDown();
    QColor TopListCustomDrawItem(const QTreeWidgetItem *item) const;
    void TopListClick();

    QString statusPanelText(int panel) const;
    void setStatusPanelText(int panel, const QString &text);

    Catalogue cat;
    int CurPage = 0;
    int HoverCol = -1, HoverRow = -1, TopListHover = -1;
    int TopListSortCol = 1, ListMainSortCol = 1;
    QString UserName;

    // Top level.
    QLabel *Label15 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    OwnerDrawPanel *StatusPanel3 = nullptr; // the owner-drawn fourth panel
    QTabWidget *PageControl1 = nullptr;
    QCheckBox *ChkPlaySnd = nullptr, *ChkChinese = nullptr, *ChkSelf = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QTimer Timer1, TimerDownQueue, TimerRefreshLimit, TimerCounter;
    QList<QPixmap> ImageList2;
    QObject *ApplicationEvents1 = nullptr;

    // Gallery page.
    QWidget *TabSheet1 = nullptr;
    QWidget *Panel1 = nullptr, *Panel2 = nullptr, *Panel3 = nullptr, *Panel4 = nullptr, *Panel5 = nullptr;
    QWidget *Panel6 = nullptr, *Panel7 = nullptr, *Panel8 = nullptr, *Panel9 = nullptr, *Panel20 = nullptr,
            *Panel21 = nullptr;
    QToolButton *BtnCMCC = nullptr, *BtnCNC = nullptr, *SpeedButton4 = nullptr, *SpeedButton5 = nullptr;
    QToolButton *BtnSearch = nullptr;
    QPushButton *BtnRefresh = nullptr;
    QLabel *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr;
    QLabel *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr, *lblNews = nullptr;
    QLabel *Image1 = nullptr;
    QRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr;
    QLineEdit *Edit1 = nullptr, *EdtSavePath = nullptr;
    QWidget *CateBar = nullptr; // left part of Panel3 that carries the category buttons
    QTreeWidget *TopList = nullptr;
    QTableView *SGMain = nullptr, *SGSelf = nullptr;
    QListWidget *ListSelf = nullptr;
    StringGridModel *SGMainModel = nullptr, *SGSelfModel = nullptr;

    // File page.
    QWidget *TabSheet2 = nullptr;
    QWidget *Panel10 = nullptr, *Panel11 = nullptr, *Panel12 = nullptr, *Panel13 = nullptr, *Panel14 = nullptr;
    QWidget *Panel17 = nullptr, *Panel18 = nullptr, *Panel19 = nullptr;
    QTabBar *tbcSoftCate = nullptr;
    QTreeWidget *ListMain = nullptr, *ListQueue = nullptr, *SoftSearchList = nullptr;
    QPushButton *BtnSoftRefresh = nullptr;
    QCheckBox *ChkShowOnlyExist = nullptr, *ChkAutodownload = nullptr, *ChkAutoOpen = nullptr, *ChkAutoQueue = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr, *Label17 = nullptr, *Label18 = nullptr,
           *Label19 = nullptr, *Label14 = nullptr;
    QToolButton *SpeedButton1 = nullptr, *BtnCNCSoft = nullptr, *BtnCMCCSoft = nullptr, *SpeedButton2 = nullptr,
                *SpeedButton3 = nullptr;
    QRadioButton *RadioButton4 = nullptr, *RadioButton5 = nullptr, *RadioButton6 = nullptr;
    QLineEdit *Edit2 = nullptr;

    // Web pages: each sheet holds the host of its browser.
    QList<QWidget *> TabSheets;   // TabSheet3 .. TabSheet8
    QList<QWidget *> WebBrowsers; // WebBrowser1 .. WebBrowser6

    // Built at start-up.
    QList<QToolButton *> CateButtons, SoftCateButtons;
    QButtonGroup *CateGroup = nullptr, *SoftCateGroup = nullptr, *PageGroup = nullptr;

    AppPlatform &platform() { return m_platform; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void buildLayout();
    void buildGalleryPage();
    void buildFilePage();
    void buildWebPages();
    void buildTopLevel();
    void markCategoryButtons(int category);
    int runModal(QDialog &dialog);
    void openDownloadDialog(const QByteArray &nameSpec, const QByteArray &time);

    AppPlatform m_platform;
    bool m_created = false;
    bool m_closed = false;
};

} // namespace kestrin
