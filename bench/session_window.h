#pragma once

// The widgets the session logic writes to, in one shown window, made the
// session's own, with a still player: for the benches of the transcript and
// its files.

#include "session/state.h"
#include "session/transcript.h"
#include "still_player.h"
#include "transport/player_view.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QWidget>

namespace bench {

struct SessionWindow {
    QWidget window;
    AVPlayerViewAcceptsDrop* view = new AVPlayerViewAcceptsDrop;
    QPlainTextEdit* script = new QPlainTextEdit;
    StillPlayer* player = nullptr;

    SessionWindow() {
        auto* layout = new QVBoxLayout(&window);
        auto* echo = new QLabel;
        auto* status = new QLabel;
        layout->addWidget(view, 1);
        layout->addWidget(echo);
        layout->addWidget(status);
        layout->addWidget(script, 1);
        auto owned = std::make_unique<StillPlayer>();
        player = owned.get();
        view->setPlayer(std::move(owned));
        styleTranscript(script);
        stateDef& state = savedState();
        state.playerView = view;
        state.codeDisplay = echo;
        state.tbTextBlock = status;
        state.script = script;
        window.resize(1000, 700);
        window.show();
        QCoreApplication::processEvents();
    }
};

} // namespace bench
