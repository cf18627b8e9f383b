#pragma once

#include <QDateTime>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <vector>

class QAbstractButton;
class QLabel;
class QMainWindow;
class QPlainTextEdit;
class AVPlayerViewAcceptsDrop;
class gotoController;

// The one record of the running session: references to the widgets the logic
// writes to, and every session value. Start-up fills the widget references;
// every other part reads and writes the members directly.
//
// Thread rules: every member is written and read on the user-interface thread
// only. savedState() itself may be called first from any thread.
class stateDef {
public:
    stateDef();

    QMainWindow* window = nullptr;
    QPointer<QLabel> tbTextBlock; // status line
    QPointer<QLabel> codeDisplay; // echo field
    QPlainTextEdit* script = nullptr;
    AVPlayerViewAcceptsDrop* playerView = nullptr;
    QLabel* tapeCounterDisplay = nullptr;
    gotoController* gotoField = nullptr;
    QLabel* markDisplay = nullptr;
    QLabel* excursionDisplay = nullptr;
    QAbstractButton* backButton = nullptr;
    QAbstractButton* aheadButton = nullptr;

    QDateTime loadTime;
    QString vidBasename = QStringLiteral("nil");
    float playAtRate = 1.0f;
    float markTime = 0.0f;                                              // seconds
    std::vector<std::int64_t> hopList{100, 200, 500, 1000, 2000, 5000}; // ms, ascending
    std::int64_t hopSize = 1000;                                        // ms
    std::int64_t hopTotal = 0;                                          // ms from the mark
    std::int64_t resizesSinceLoad = 0;
    bool didFinishLaunching = false;

    // Where back and ahead hop to, in seconds: the mark plus the hop offset.
    double hopTarget() const { return double(markTime) + double(hopTotal) / 1000.0; }
};

// The session record, created on first use and alive until the process ends.
stateDef& savedState();

// The eleven transport symbols that button titles are built from.
struct tapeSymbolsStruct {
    QString pause, play, back, ff, rewind, stop, eject, up, down, dot, home;

    tapeSymbolsStruct();
    tapeSymbolsStruct(QString pause, QString play, QString back, QString ff, QString rewind,
                      QString stop, QString eject, QString up, QString down, QString dot,
                      QString home);
};

const tapeSymbolsStruct& tapeSymbols();
