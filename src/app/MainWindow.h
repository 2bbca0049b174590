#pragma once
// The main window: nine pages in a page control, the status bar under them, and the menu
// bar of the map views (hidden while the pages are shown). It runs the start-up sequence
// and wires the pages to each other.

#include "session/AppContext.h"
#include "view/ViewHost.h"

#include <QMainWindow>
#include <QPrinter>
#include <memory>
#include <optional>

class AboutPage;
class ArchivePage;
class CassiniPage;
class Desktop;
class DownloadPage;
class HomePage;
class Page;
class PosterPage;
class PreferencesPage;
class PrintPanel;
class PrintZonePage;
class QTabWidget;
class SettingsStore;
class StatusBar;
class TownPage;
namespace view { class MapViewer; }

class MainWindow : public QMainWindow, private view::ViewHost {
    Q_OBJECT
public:
    // When the pages other than the home page are made: at once, or once the window has
    // been painted for the first time, so that the window shows without waiting for them
    // (a page asked for before then is made at once).
    enum class PageBuilding { Immediate, AfterFirstPaint };

    MainWindow(Desktop &desktop, SettingsStore &settings, const QString &programFolder,
               const QString &installFolder, PageBuilding building = PageBuilding::Immediate,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    AppContext &context() { return m_context; }
    // The program's printer, made when it is first needed (finding the system's printers
    // takes a while), in landscape as start-up leaves it.
    QPrinter &printer();
    QTabWidget *pageControl() const { return m_pageControl; }
    StatusBar *statusBarWidget() const { return m_statusBar; }

    // Selects a page by its index (0..8) and shows it.
    void showPage(int index);
    // The page at `index`; none while the page is still to be made.
    Page *page(int index) const;
    // Makes the pages still to be made, wires them and ends the start-up sequence.
    void ensurePagesBuilt();
    bool pagesBuilt() const { return m_pagesBuilt; }

    // The pages the views and the window's tests drive through their own methods.
    TownPage *towns() const { return m_towns; }
    CassiniPage *cassini() const { return m_cassini; }
    ArchivePage *archive() const { return m_archive; }
    DownloadPage *download() const { return m_download; }
    PrintZonePage *printZone() const { return m_printZone; }
    PosterPage *poster() const { return m_poster; }
    // The print panel "VisuImp"; its printImage() prints any picture on one page.
    PrintPanel *printPanel() const { return m_printPanel; }

    // The map views (preview, detail) with their menu bar.
    view::MapViewer *mapViewer() const { return m_mapViewer; }

signals:
    // Every page has been made and wired.
    void pagesReady();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the map views need of the window.
    QWidget &viewWindow() override { return *this; }
    QMenuBar &viewMenuBar() override;
    void showViewBars() override;
    void showPages() override;
    void setCaption(const QString &caption) override { setWindowTitle(caption); }
    void maximise() override;
    void restore() override;
    void showSheetNumber(int sheet) override;
    int cassiniEdition() const override;
    QString archiveSheetIndex() const override;
    QWidget &floatingPrintPanel() override;
    void cancelPrintPanel() override;

    void loadSharedOptions();
    void loadStartUpSettings();
    void buildPageSlots();
    QWidget *pageSlot(int index) const;
    template <typename P>
    P *addPage(int index, P *page);
    void buildPages();
    void wirePages();
    void applySkin();
    // The fixed size, made smaller on a screen that has less room, and the whole frame on it.
    void fitToScreen();

    AppContext m_context;
    std::unique_ptr<QPrinter> m_printer;
    QTabWidget *m_pageControl = nullptr;
    StatusBar *m_statusBar = nullptr;
    HomePage *m_home = nullptr;
    TownPage *m_towns = nullptr;
    CassiniPage *m_cassini = nullptr;
    ArchivePage *m_archive = nullptr;
    DownloadPage *m_download = nullptr;
    PrintZonePage *m_printZone = nullptr;
    PosterPage *m_poster = nullptr;
    PreferencesPage *m_preferences = nullptr;
    AboutPage *m_about = nullptr;
    PrintPanel *m_printPanel = nullptr;
    view::MapViewer *m_mapViewer = nullptr;
    std::optional<QPoint> m_placeBeforeFullScreen;   // the window's place before a full-screen view
    bool m_fitUntilFramed = false;   // shown, the window manager's frame not known yet
    bool m_pagesBuilt = false;
    bool m_buildAfterFirstPaint = false;
};
