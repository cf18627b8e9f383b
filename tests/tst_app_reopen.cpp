// Reopening in the real window with libmpv, the frame-coded clip and real X
// keys: where the video is found, where the session stands, lines put in by
// time, corrections with undo and redo, the revision checkpoint, the revision
// and the untouched original, and bad files.
#include "app/app_delegate.h"
#include "app/application_setup.h"
#include "app/main_window.h"
#include "app/playhead_mark.h"
#include "app/reopen.h"
#include "platform/mpv_player.h"
#include "session/state.h"
#include "support/app_home.h"
#include "support/clips.h"
#include "support/e2e_program.h"
#include "support/test_helpers.h"
#include "transport/player_view.h"
#include "transport/seek.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTextBlock>
#include <QtTest>

namespace {

const QString kHeader = QStringLiteral("#\n# started_at Saturday, December 5, 2026 6:14:46 PM\n"
                                       "# video_name coded\n");
const QString kLines = QStringLiteral("    0.73  10:00:01  a\na note\n    1.13  10:00:01  b\n"
                                      "    2.00  10:00:02  c\n");
const QString kName = QStringLiteral("2026.12.05-18.14.46--coded.txt");

} // namespace

class AppReopen : public QObject {
    Q_OBJECT

    std::optional<AppHome> home;
    std::optional<AlertRecorder> alerts;
    std::unique_ptr<AppDelegate> app;
    QTemporaryDir dir;
    QString clip, transcript;
    QStringList asked; // the video names the observer was asked for

    MpvPlayer* mpv() const { return qobject_cast<MpvPlayer*>(app->player->player()); }
    QPlainTextEdit* script() const { return app->scrollViewContainingTranscript; }
    QString windowId() const { return QString::number(app->window->winId()); }
    bool keys(const QStringList& k) {
        return RunningProgram::xdotool(QStringList{"key", "--delay", "60"} + k).has_value();
    }
    QStringList lines() const { return script()->toPlainText().split('\n'); }
    // The entries of the lines, in order ("note" for "a note").
    QString entries() const {
        QStringList out;
        for (const QString& l : lines())
            if (!l.isEmpty())
                out << l.section(QLatin1Char(' '), -1);
        return out.join(QLatin1Char(' '));
    }
    void putCursorOn(const QString& entry) {
        for (QTextBlock b = script()->document()->begin(); b.isValid(); b = b.next())
            if (b.text().endsWith("  " + entry))
                script()->setTextCursor(QTextCursor(b));
    }
    int shownFrame() const { return viewFrame(app->player); }
    // Reopened: the lines as in the file, the title, the frame at the last
    // line's time (2.00 s), the keys in the picture.
    void verifyReopened() {
        QCOMPARE(script()->toPlainText(), kLines);
        QCOMPARE(app->window->windowTitle(), QStringLiteral("coded"));
        QVERIFY(waitSettled(mpv()));
        QTRY_COMPARE(shownFrame(), int(frameAt(2000)));
        QCOMPARE(mpv()->currentTime(), 2.0);
        QTRY_COMPARE(QApplication::focusWidget(), app->player.data());
        QTRY_COMPARE(mark()->markedLine(), 3L);
    }
    PlayheadMark* mark() const { return app->findChild<PlayheadMark*>(); }

private slots:
    void initTestCase() {
        home.emplace();
        alerts.emplace();
        prepareApplication();
        resetSession();
        ClipShape shape;
        shape.keyframeInterval = 15;
        QDir(dir.path()).mkpath("videos");
        QDir(dir.path()).mkpath("coding");
        clip = makeCodedClip(dir.path() + "/videos", QStringLiteral("coded.mp4"), shape);
        QVERIFY(!clip.isEmpty());
        transcript = dir.path() + "/coding/" + kName;
        QVERIFY(writeFile(transcript, (kHeader + kLines).toUtf8()));
        setVideoQuestion([this](const QString& name, const QString&) {
            asked << name;
            return asked.size() == 1 ? clip : QString();
        });
        // Reopened at start-up; the video is neither beside it nor played
        // before: the observer is asked for it.
        app = std::make_unique<AppDelegate>();
        app->deferredTranscript = transcript;
        app->applicationDidFinishLaunching();
        QVERIFY(QTest::qWaitForWindowExposed(app->window.data()));
        QCOMPARE(asked, QStringList{"coded"});
        QVERIFY(RunningProgram::xdotool({"windowfocus", "--sync", windowId()}).has_value());
        verifyReopened();
    }
    void cleanupTestCase() {
        app.reset();
        setVideoQuestion({});
        resetSession();
    }

    // A key at 1.00 goes in after the line at 0.73 and its note; a deletion
    // and a retime, each undone and redone with the view's keys; the
    // revision checkpoint holds the corrections; the revision at the end
    // holds the lines, the original is untouched.
    void correctAndSave() {
        seekToTime(1.0);
        QVERIFY(waitSettled(mpv()));
        QTRY_COMPARE(mark()->markedLine(), 0L);
        QVERIFY(keys({"x"}));
        QTRY_COMPARE(entries(), QStringLiteral("a note x b c"));
        QVERIFY(lines()[2].startsWith("    1.00  "));

        script()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), script());
        putCursorOn("b");
        QVERIFY(keys({"ctrl+shift+k"}));
        QTRY_COMPARE(entries(), QStringLiteral("a note x c"));
        seekToTime(0.5);
        QVERIFY(waitSettled(mpv()));
        putCursorOn("c");
        QVERIFY(keys({"ctrl+t"}));
        QTRY_COMPARE(entries(), QStringLiteral("c a note x"));
        QVERIFY(lines()[0].startsWith("    0.50  10:00:02  c"));
        const QString corrected = script()->toPlainText();
        QVERIFY(keys({"ctrl+z"}));
        QTRY_COMPARE(entries(), QStringLiteral("a note x c"));
        QVERIFY(keys({"ctrl+z"}));
        QTRY_COMPARE(entries(), QStringLiteral("a note x b c"));
        QVERIFY(keys({"ctrl+shift+z", "ctrl+shift+z"}));
        QTRY_COMPARE(script()->toPlainText(), corrected);

        // The revision checkpoint, within seconds of the last change.
        const QString wildcard = "2026.12.05-18.14.46--coded--revision-at--*.txt";
        QTRY_COMPARE(home->files(wildcard).size(), 1);
        const QString revision = home->storage() + "/" + home->files(wildcard)[0];
        const QString expected = kHeader + "# reopened_from " + kName + "\n" + corrected;
        QTRY_COMPARE(QString::fromUtf8(contentsOf(revision)), expected);

        // The session ends: the same revision, whole; the view is empty.
        app->onMenuClear();
        QCOMPARE(home->files(wildcard).size(), 1);
        QCOMPARE(QString::fromUtf8(contentsOf(revision)), expected);
        QCOMPARE(contentsOf(transcript), (kHeader + kLines).toUtf8());
        QCOMPARE(alerts->alerts.size(), std::size_t(0));
    }

    // The transcript dragged taller shows 15 lines, and the window still
    // fits a 1440x900 screen.
    void roomToRead() {
        auto* splitter = app->window->findChild<QSplitter*>("transcriptSplitter");
        auto* timeline = app->window->findChild<QAction*>("actionShowTimeline");
        QVERIFY(splitter && timeline);
        // With the timeline shown the small fit of a 16:9 picture is taller
        // than this screen; hidden, the window fits it.
        timeline->setChecked(false);
        const int total = splitter->sizes()[0] + splitter->sizes()[1];
        splitter->setSizes({0, total}); // dragged up as far as the picture's pane allows
        const int rows = script()->viewport()->height() / script()->fontMetrics().lineSpacing();
        QVERIFY2(rows >= 15, qPrintable(QString::number(rows)));
        QVERIFY(app->window->frameGeometry().height() <= 900);
        QVERIFY(app->player->height() >= 180);
        timeline->setChecked(true);
    }

    // Found beside the video played last, then beside the transcript; a
    // cancelled question and a bad file change nothing; a stopwatch
    // transcript and one beside a video that does not play reopen.
    void videoLookupAndBadFiles() {
        // Dropped on the picture.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(transcript)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(app->player, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app->player, &drop);
        QTRY_VERIFY(inReopenedSession());
        QCOMPARE(asked.size(), 1);
        verifyReopened();
        QDir(dir.path()).mkpath("beside");
        const QString besideClip = dir.path() + "/beside/coded.mkv";
        QVERIFY(QFile::copy(clip, besideClip));
        const QString besideTranscript = dir.path() + "/beside/pass2.txt";
        QVERIFY(writeFile(besideTranscript, (kHeader + kLines).toUtf8()));
        // File > Open Transcript…, the file chosen in its dialog.
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                answer.stop();
                dialog->setDirectory(QFileInfo(besideTranscript).absolutePath());
                dialog->selectFile(QFileInfo(besideTranscript).fileName());
                QTimer::singleShot(300, dialog, [dialog] {
                    static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
                });
            }
        });
        answer.start(50);
        app->window->findChild<QAction*>("actionOpenTranscript")->trigger();
        answer.stop();
        // No window manager here gives the window the keyboard back after a dialog.
        QVERIFY(RunningProgram::xdotool({"windowfocus", "--sync", windowId()}).has_value());
        verifyReopened();
        QCOMPARE(asked.size(), 1);

        // Nothing was changed: no revision of either.
        QCOMPARE(home->files("*--revision-at--*").size(), 1);
        const QString other = dir.path() + "/other.txt";
        QVERIFY(
            writeFile(other, "#\n# started_at x\n# video_name elsewhere\n  1.00  10:00:00  q\n"));
        QVERIFY(writeFile(dir.path() + "/bad.txt", "just text\n"));
        QVERIFY(!reopenTranscript(other)); // the question is cancelled
        QCOMPARE(asked.size(), 2);
        QVERIFY(!reopenTranscript(dir.path() + "/bad.txt"));
        QCOMPARE(alerts->alerts.size(), std::size_t(1));
        QVERIFY(alerts->alerts[0].second.contains("“bad.txt”"));
        verifyReopened();

        // A stopwatch session comes back on the stopwatch.
        const QString stopwatch = dir.path() + "/2026.12.05-18.14.46--stopwatch.txt";
        QVERIFY(
            writeFile(stopwatch, "#\n# started_at x\n# video_name stopwatch\n" + kLines.toUtf8()));
        QVERIFY(reopenTranscript(stopwatch));
        QCOMPARE(app->window->windowTitle(), QStringLiteral("stopwatch"));
        QCOMPARE(script()->toPlainText(), kLines);
        QCOMPARE(asked.size(), 2);
        // In the picture the transcript's correction keys are recorded.
        QTRY_COMPARE(QApplication::focusWidget(), app->player.data());
        QVERIFY(keys({"ctrl+t", "ctrl+shift+k", "ctrl+z", "ctrl+shift+z"}));
        QTRY_COMPARE(entries(),
                     QStringLiteral("a note b c ctrl-t ctrl-shift-K ctrl-z ctrl-shift-Z"));

        // A video found beside the transcript that does not play reopens as a
        // bad video opens: the lines are shown, keys go in where the session
        // stands, the revision is saved.
        QDir(dir.path()).mkpath("garbage");
        QVERIFY(writeFile(dir.path() + "/garbage/coded.mp4", QByteArray(4096, 'x')));
        const QString pass3 = "2026.12.07-10.00.00--coded.txt";
        QVERIFY(writeFile(dir.path() + "/garbage/" + pass3, (kHeader + kLines).toUtf8()));
        QVERIFY(reopenTranscript(dir.path() + "/garbage/" + pass3));
        QCOMPARE(script()->toPlainText(), kLines);
        QVERIFY(waitSettled(mpv()));
        QCOMPARE(mpv()->status(), ItemStatus::Failed);
        QTRY_COMPARE(QApplication::focusWidget(), app->player.data());
        QVERIFY(keys({"y"}));
        QTRY_COMPARE(entries(), QStringLiteral("a note b c y"));
        const QString text = script()->toPlainText();
        app->onMenuClear();
        const QStringList made = home->files("2026.12.07-10.00.00--coded--revision-at--*");
        QCOMPARE(made.size(), 1);
        QCOMPARE(QString::fromUtf8(contentsOf(home->storage() + "/" + made[0])),
                 kHeader + "# reopened_from " + pass3 + "\n" + text);
        QCOMPARE(asked.size(), 2);
    }
};

QTEST_MAIN(AppReopen)
#include "tst_app_reopen.moc"
