#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class AVPlayerViewAcceptsDrop;
class MainWindow;
class QAbstractButton;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QStackedWidget;
class QTextBrowser;
class QWidget;
class RecordingIndicator;
class SegmentedControl;
class gotoController;
class viewAcceptsKeyDown;

// The application delegate. It builds the window from the interface file and
// keeps the window's elements as its outlets (found by object name; any of
// them may be absent, and the steps that need a missing one are skipped). It
// runs start-up, takes the requests to open a video, runs every command of
// the menus, the toolbar and the buttons, and ends the session when the
// program is about to end.
//
// Thread rules: user-interface thread only. One delegate per process: start-up
// hands its elements to the session record.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    // Outlets.
    QPointer<MainWindow> window;
    QPointer<SegmentedControl> viewSelector;
    QPointer<QLabel> tbTextBlock;
    QPointer<QStackedWidget> tabView;
    QPointer<QWidget> vidAndControls;
    QPointer<AVPlayerViewAcceptsDrop> player;
    QPointer<QTextBrowser> helpView;
    QPointer<gotoController> gotoField;
    QPointer<QAbstractButton> zeroButton;
    QPointer<QLabel> codeDisplay;
    QPointer<QWidget> clipContainingtranscript;
    QPointer<QPlainTextEdit> scrollViewContainingTranscript;
    QPointer<viewAcceptsKeyDown> codeEntry;
    QPointer<QLabel> tapeCounterDisplay;
    QPointer<QLabel> markDisplay;
    QPointer<QLabel> excursionDisplay;
    QPointer<QAbstractButton> backButton;
    QPointer<QAbstractButton> aheadButton;
    QPointer<QAbstractButton> homeButton;
    QPointer<QWidget> controlsBox;
    // The further elements that send commands.
    QPointer<SegmentedControl> rateControl;
    QPointer<QAbstractButton> markButton;
    QPointer<QAbstractButton> finerButton;
    QPointer<QAbstractButton> coarserButton;
    QPointer<QAbstractButton> clearButton;
    QPointer<QTextBrowser> keysView;

    // A video whose opening was asked for before start-up finished; "" if none.
    QString deferredLoadVideo;
    // A transcript to reopen at start-up (with deferredLoadVideo when that is
    // set, else with the video its header names); "" if none.
    QString deferredTranscript;

    // Start-up: hands the elements to the session record, styles them, opens
    // the requested video or enters stopwatch mode, places and shows the
    // window, starts the counters and finally marks launch as finished.
    void applicationDidFinishLaunching();
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    // The desktop's request to open the video at path (an absolute local
    // path). Before launch finished it is only remembered; afterwards the
    // current transcript is saved and the video loaded. A transcript that
    // cannot be saved keeps its session: the new video is not opened. Always
    // answers true.
    bool applicationOpenFile(const QString& path);
    // Saves the transcript as the program ends; false when the write failed.
    bool applicationWillTerminate();
    // Asked before the window closes (Quit, the close button, a termination
    // signal): saves the transcript and answers true, or, when the save
    // failed, answers false so that the transcript stays on screen to be
    // printed or copied. The next request tries the save again and then ends
    // the program whatever happens, unless a save succeeded in between.
    bool applicationShouldTerminate();

    // Whether a key pressed now becomes a transcript line: the window is
    // active and the keyboard focus is in the player view, the key-entry
    // view, or on a tab page whose keys go to the recorder.
    bool keysAreRecorded() const;

    // Shows tab 0 (video), 1 (key names) or 2 (help); other indices do nothing.
    void chooseView(qint64 index);
    // Prints the transcript at its own size (scale 1.0).
    void printTranscript(QPrinter* printer) const;

public slots:
    void onChooseView(SegmentedControl* sender);
    void onClearButton();
    void onFilesButton();
    void onRateChoose(SegmentedControl* sender);
    void onAnotherButton();
    void onMarkButton();
    void onBackButton();
    void onHomeButton();
    void onAheadButton();
    void onFinerButton();
    void onCoarserButton();
    void onZeroButton();
    void onResizeToolbarItem();
    void onMenuHelp();
    void onMenuShowFiles();
    void onMenuNewPlayer();
    void onMenuClear();
    void onMenuSaveCheckpoint();
    void onMenuExportData();
    void onMenuLarge();
    void onMenuSmall();
    void onMenuOpen();
    void onMenuPrint();
    void onMenuGoToTime();
    void onMenuQuit();
    // Reopening and correcting (reopen_commands.cpp).
    void onMenuOpenTranscript();
    void onMenuDeleteLines();
    void onMenuSetLineTime();
    // SIGTERM, SIGINT or SIGHUP arrived: end as at Quit.
    void onTerminationSignal(int signalNumber);

private:
    void bindOutlets();
    void connectCommands();
    void applyLook();
    void takeStrayKey(QKeyEvent* event);
    // File > Open Transcript…, the Edit menu and the transcript view's own
    // correction keys.
    void addReopenCommands();
    // Lets the observer drag the transcript taller (reopen_commands.cpp).
    void makeTranscriptResizable();
    // Keys that reach the window with this focus widget go to the recorder.
    bool recordsStrayKeys(const QWidget* focus) const;

    std::unique_ptr<MainWindow> ownedWindow_;
    // Goes before the window: it follows the focus inside it.
    std::unique_ptr<RecordingIndicator> recordingIndicator_;
    QString lastOpenFolder_;
    QString lastTranscriptFolder_;
    bool terminating_ = false;
    bool savingAtQuit_ = false;
    bool quitAskedDuringSave_ = false;
    // successfulSaves() when a save at quit last failed; -1 when none did.
    int saveFailedAtQuit_ = -1;
};
