#pragma once

#include "support/fake_player.h"
#include "transport/player_view.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

// The widgets the logic writes to, in a freshly reset session record (reset
// again when they go); the player view starts without a player.
struct LogicWidgets {
    LogicWidgets();
    ~LogicWidgets();

    // Gives the player view a scripted player at that rate and time.
    FakePlayer* givePlayer(float rate = 0.0f, double time = 0.0);
    // Gives it one with an item ready to play, named "lecture3".
    FakePlayer* loadItem();
    // The transcript's lines, without their line feeds.
    QStringList lines() const;

    AVPlayerViewAcceptsDrop view;
    QPlainTextEdit script;
    QLabel echo, status, counter{QStringLiteral("99.99")}, mark, excursion;
    QPushButton back, ahead;
};
