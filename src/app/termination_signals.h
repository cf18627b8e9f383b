#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a logout, a shutdown, Ctrl+C in a
// terminal) into the signal received() on the user-interface thread, so that
// the program can end its session as at Quit. The handler only writes the
// signal's number to a socket pair; the notifier reads it back in the event
// loop.
//
// Thread rules: one instance per process, created and destroyed on the
// user-interface thread. While it lives, those three signals no longer end
// the process by themselves; destroying it restores their default action.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the socket pair or the handlers could not be set up; the
    // signals then keep their default action.
    bool isActive() const { return notifier_ != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readSignals();

    QSocketNotifier* notifier_ = nullptr;
};
